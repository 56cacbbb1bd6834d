#include "generated_script.h"

#include <cstdio>

namespace quarvel {

namespace {

constexpr const char* kPrologue = "pageOrientation\r\nportrait\r\nbeginDocument\r\n";
constexpr const char* kEpilogue = "endDocument\r\n";

}  // namespace

std::string GeneratedPage(int page) {
  std::string p = "beginPage\r\nbeginText\r\n\r\n100\r\nbold\r\n\r\n20\r\n780\r\nInvoice " +
                  std::to_string(page) +
                  "\r\nendText\r\nbeginSimpleTable\r\nbeginCols\r\n"
                  "20\r\n700\r\n20\r\n600\r\n";
  for (int x = 60; x <= 280; x += 40) {
    p += "beginCol\r\n" + std::to_string(x) + "\r\n700\r\n" + std::to_string(x) + "\r\n600\r\n";
  }
  p += "endCols\r\nbeginRows\r\n";
  for (int y = 700; y >= 600; y -= 20) {
    p += "beginRow\r\n20\r\n" + std::to_string(y) + "\r\n280\r\n" + std::to_string(y) + "\r\n";
  }
  p += "endRows\r\nbeginText\r\n\r\n40\r\nnormal\r\n\r\n22\r\n698\r\n";
  for (int row = 0; row < 5; ++row) p += "Item " + std::to_string(row) + "   1 pc   12.50\r\n";
  p += "endText\r\nendSimpleTable\r\nbeginHeaderTable\r\nbeginText\r\n\r\n40\r\nitalic\r\n\r\n"
       "20\r\n500\r\nTotal\r\nendText\r\nendHeaderTable\r\nendPage\r\n";
  return p;
}

std::string GeneratedScript(size_t bytes) {
  std::string script = kPrologue;
  for (int page = 1; script.size() < bytes; ++page) script += GeneratedPage(page);
  return script + kEpilogue;
}

std::filesystem::path WriteGeneratedScript(size_t bytes, int pages) {
  const auto path =
      std::filesystem::temp_directory_path() /
      ("quarvel-bench-" + std::to_string(bytes) + "-" + std::to_string(pages) + ".txt");
  std::FILE* out = std::fopen(path.c_str(), "wb");
  std::fputs(kPrologue, out);
  for (int page = 1; page <= pages || static_cast<size_t>(std::ftell(out)) < bytes; ++page) {
    std::fputs(GeneratedPage(page).c_str(), out);
  }
  std::fputs(kEpilogue, out);
  std::fclose(out);
  return path;
}

}  // namespace quarvel
