#include "native/program/page_count.h"

#include <sys/stat.h>

#include <memory>

#include "files.h"
#include "print_document.h"
#include "printer/discarding_printer.h"

namespace quarvel {

namespace {

// Reads the script through the host it wraps, and writes nothing.
class ReadingHost : public HostWrapper {
 public:
  using HostWrapper::HostWrapper;
  std::unique_ptr<OutputFile> CreateTrace(const char*) override {
    return std::make_unique<DiscardedFile>();
  }
  void WriteStandardOutput(std::string_view) override {}
};

class PageCounter : public DiscardingPrinter {
 public:
  void StartDocument() override {
    if (document_open_) return;
    document_open_ = true;
    pages_.push_back(0);
  }
  void StartPage() override {
    if (!document_open_ || page_open_) return;
    page_open_ = true;
    ++pages_.back();
  }
  void EndPage() override { page_open_ = false; }
  void EndDocument() override { document_open_ = page_open_ = false; }

  std::vector<int> pages() && { return std::move(pages_); }

 private:
  bool document_open_ = false;
  bool page_open_ = false;
  std::vector<int> pages_;
};

}  // namespace

std::vector<int> CountJobPages(Host& host, const std::string& path) {
  struct stat status;
  if (path == "-" || stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
  ReadingHost reading(host);
  PageCounter counter;
  PrintDocument(reading, counter, path.c_str());
  return std::move(counter).pages();
}

}  // namespace quarvel
