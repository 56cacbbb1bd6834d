#include "testing/test_support.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>

#include "print_document.h"

namespace quarvel {

namespace {

class StringInputFile : public InputFile {
 public:
  StringInputFile(std::string_view bytes, size_t chunk) : bytes_(bytes), chunk_(chunk) {}
  StringInputFile(std::string owned, size_t chunk)
      : owned_(std::move(owned)), bytes_(owned_), chunk_(chunk) {}

  size_t Read(char* buffer, size_t size) override {
    const size_t count = std::min({size, chunk_, bytes_.size() - next_});
    std::copy_n(bytes_.data() + next_, count, buffer);
    next_ += count;
    return count;
  }

 private:
  const std::string owned_;
  const std::string_view bytes_;
  const size_t chunk_;
  size_t next_ = 0;
};

// Runs `handler` over a script stream on `script` and returns the line that
// follows what it consumed, or "<end>".
template <typename Handler>
std::string RunOnScript(Handler handler, std::string script) {
  const auto stream = ScriptFromBytes(std::move(script));
  handler(*stream);
  std::string next;
  return ReadLine(*stream, &next) ? next : "<end>";
}

std::filesystem::path UniqueTempPath() {
  std::mt19937_64 random(std::chrono::steady_clock::now().time_since_epoch().count());
  return std::filesystem::temp_directory_path() / ("quarvel-test-" + std::to_string(random()));
}

}  // namespace

std::unique_ptr<InputFile> NewStringInputFile(std::string bytes, size_t chunk) {
  return std::make_unique<StringInputFile>(std::move(bytes), chunk);
}

std::unique_ptr<InputFile> NewStringViewInputFile(std::string_view bytes) {
  return std::make_unique<StringInputFile>(bytes, std::numeric_limits<size_t>::max());
}

Host& TestHost() {
  static const std::unique_ptr<Host> host = NewSystemHost();
  return *host;
}

std::unique_ptr<ScriptStream> ScriptFromBytes(std::string bytes, size_t chunk) {
  return std::make_unique<ScriptStream>(NewStringInputFile(std::move(bytes), chunk));
}

WideString Wide(std::u16string_view text) { return WideString(text.begin(), text.end()); }

std::string Lines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += line + "\n";
  return joined;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string RunBlock(BlockHandler handler, Printer& printer, std::string script) {
  return RunOnScript([&](ScriptStream& stream) { handler(stream, TestHost(), printer); },
                     std::move(script));
}

std::string RunBlock(DrawingBlockHandler handler, Printer& printer, std::string script) {
  return RunOnScript([&](ScriptStream& stream) { handler(stream, printer); }, std::move(script));
}

std::vector<std::string> RunScript(RecordingPrinter& printer, std::string_view script) {
  WriteFileBytes("script.txt", script);
  RecordingHost host(printer.log());
  PrintDocument(host, printer, std::filesystem::path("script.txt").c_str());
  return printer.operations();
}

std::vector<std::string> StartUp(const std::string& orientation) {
  return {"dialog " + orientation, "abortproc"};
}

std::vector<std::string> Concat(std::vector<std::string> first,
                                const std::vector<std::string>& rest) {
  first.insert(first.end(), rest.begin(), rest.end());
  return first;
}

ScopedTempDir::ScopedTempDir()
    : previous_(std::filesystem::current_path()), path_(UniqueTempPath()) {
  std::filesystem::create_directories(path_);
  std::filesystem::current_path(path_);
}

ScopedTempDir::~ScopedTempDir() {
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace quarvel
