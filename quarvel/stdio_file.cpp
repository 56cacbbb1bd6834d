#include "stdio_file.h"

namespace quarvel {

namespace {

class StdioFile {
 public:
  explicit StdioFile(std::FILE* stream) : stream_(stream) {}
  ~StdioFile() { std::fclose(stream_); }
  StdioFile(const StdioFile&) = delete;
  StdioFile& operator=(const StdioFile&) = delete;

 protected:
  std::FILE* const stream_;
};

class StdioInputFile : public InputFile, private StdioFile {
 public:
  using StdioFile::StdioFile;
  size_t Read(char* buffer, size_t size) override { return std::fread(buffer, 1, size, stream_); }
};

class StdioOutputFile : public OutputFile, private StdioFile {
 public:
  using StdioFile::StdioFile;
  bool Write(std::string_view bytes) override {
    return std::fwrite(bytes.data(), 1, bytes.size(), stream_) == bytes.size();
  }
};

}  // namespace

std::unique_ptr<InputFile> NewStdioInputFile(std::FILE* stream) {
  if (stream == nullptr) return nullptr;
  return std::make_unique<StdioInputFile>(stream);
}

std::unique_ptr<OutputFile> NewStdioOutputFile(std::FILE* stream) {
  if (stream == nullptr) return nullptr;
  return std::make_unique<StdioOutputFile>(stream);
}

void WriteToStdout(std::string_view message) {
  std::fwrite(message.data(), 1, message.size(), stdout);
  std::fflush(stdout);
}

}  // namespace quarvel
