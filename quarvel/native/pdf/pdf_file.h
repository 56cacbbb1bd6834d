// The object layer of a PDF file written into memory: numbered objects and
// streams, written in any order, then the cross-reference table and the
// trailer. The numbers and strings of the file's syntax are written here too.
#ifndef QUARVEL_NATIVE_PDF_PDF_FILE_H_
#define QUARVEL_NATIVE_PDF_PDF_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

class PdfFile {
 public:
  // Starts the file with its header.
  PdfFile();

  // A new object number, for an object written now or later. Every number
  // taken must be written before the file is finished.
  int NewObject();

  // Writes object `number` as `body`: a dictionary, an array or a number.
  void WriteObject(int number, std::string_view body);

  // Writes object `number` as a stream of `data`, with `entries` (the
  // dictionary's entries other than its length and filter) in its
  // dictionary; `data` is compressed with Flate unless `compress` is false
  // or compression fails.
  void WriteStream(int number, std::string_view entries, std::string_view data,
                   bool compress = true);

  // Ends the file: the cross-reference table and a trailer naming the
  // catalog `root` and the document information `info`. Returns the file.
  std::string Finish(int root, int info);

 private:
  void StartObject(int number);

  std::string bytes_;
  std::vector<size_t> offsets_;  // of object n at [n - 1]; 0 until written
};

// Appends `value` as a PDF number: at most `decimals` decimals (0 to 9), no
// exponent. Values beyond a billion are written as a billion, and NaN as 0.
void AppendNumber(double value, std::string* out, int decimals = 3);

void AppendInteger(int64_t value, std::string* out);

// Appends `bytes` as the inside of a PDF literal string: the parentheses and
// the backslash escaped, and the line ends too, which a reader would read as
// one line feed.
void AppendStringBytes(std::string_view bytes, std::string* out);

// Appends `text` as a PDF literal string, in parentheses.
void AppendLiteralString(std::string_view text, std::string* out);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PDF_PDF_FILE_H_
