#include "native/program/document_watch.h"

#include "text/byte_order.h"

namespace quarvel {

void DocumentWatch::KeywordActed(size_t line, std::string_view keyword) {
  if (keyword == "beginDocument" && open_line_ == 0) {
    open_line_ = line;
    ++documents_;
  } else if (keyword == "endDocument") {
    open_line_ = 0;
  }
}

std::string NeverEnded(std::string_view path, size_t line, int delivered) {
  return std::string(path) + ":" + std::to_string(line) +
         ": the document begun here is never ended; " +
         (delivered == 0 ? "nothing was printed" : "it was not printed");
}

std::string NoDocument(std::string_view path, std::string_view start) {
  const std::string file(path);
  if (start.empty()) return file + ": nothing to print: the script is empty";
  if (LooksLikeUtf16(start)) {
    return file + ": nothing to print: the file looks like UTF-16 text, and scripts are read " +
           "in a single-byte code page; convert it (iconv -f UTF-16 -t WINDOWS-1250)";
  }
  if (start.starts_with(kUtf8ByteOrderMark)) {
    return file + ": nothing to print: no \"beginDocument\" line begins a document (the file " +
           "starts with a UTF-8 byte-order mark)";
  }
  return file + ": nothing to print: no \"beginDocument\" line begins a document";
}

}  // namespace quarvel
