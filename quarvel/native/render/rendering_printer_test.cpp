#include "native/render/rendering_printer.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/stat.h>

#include <filesystem>

#include <regex>
#include <string>
#include <vector>

#include "print_document.h"
#include "testing/test_support.h"

// The bytes in use in AddressSanitizer's allocator, when the tests run under
// it: glibc's allocator is not used then.
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace quarvel {
namespace {

// Keeps the jobs it is given.
class KeptJobs : public JobDelivery {
 public:
  std::string NextTarget() const override { return "kept.pdf"; }
  Status Deliver(std::string_view job_name, int, std::span<const JobFile> files) override {
    if (!failure.empty()) return Status::Error(failure);
    names.emplace_back(job_name);
    pdfs.push_back(files.front().bytes);
    jobs.emplace_back(files.begin(), files.end());
    return Status::Ok();
  }

  std::vector<std::string> names;
  std::vector<std::string> pdfs;
  std::vector<std::vector<JobFile>> jobs;
  // Why every job fails, when not empty.
  std::string failure;
};

// Counts what it is told, and keeps the messages.
class CountedEvents : public PrintEvents {
 public:
  void PageRendered() override { ++pages; }
  void JobDelivered() override { ++jobs; }
  void JobFailed(std::string_view why) override { messages.emplace_back(why); }
  void Warn(std::string_view message) override { messages.emplace_back(message); }
  int pages = 0;
  int jobs = 0;
  std::vector<std::string> messages;
};

int Occurrences(std::string_view text, std::string_view part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

using PixbufHandle = CHandle<GdkPixbuf, g_object_unref>;

// The PNG file at `path`, decoded.
SurfaceHandle ReadPng(const char* path) {
  return SurfaceHandle(cairo_image_surface_create_from_png(path));
}

// The page count of a PDF document, from its page tree.
int PageCount(const std::string& pdf) {
  std::smatch match;
  const std::regex count(R"(/Type /Pages\s+/Kids \[[^\]]*\]\s+/Count (\d+))");
  return std::regex_search(pdf, match, count) ? std::stoi(match[1]) : -1;
}

class RenderingPrinterTest : public ::testing::Test {
 protected:
  // Prints `script` and returns the page count of every delivered job.
  std::vector<int> Print(std::string_view script, const PageSettings& settings = {}) {
    WriteFileBytes("script.txt", script);
    RenderingPrinter printer(settings, jobs_, events_);
    PrintDocument(TestHost(), printer, "script.txt");
    all_delivered_ = printer.all_delivered();
    std::vector<int> pages;
    for (const std::string& pdf : jobs_.pdfs) pages.push_back(PageCount(pdf));
    return pages;
  }

  // Prints the one page of `script` as a PNG page of letter at 72 dpi, and
  // reads it back; null when it was not printed so.
  SurfaceHandle PrintLetterPng(std::string_view script) {
    Print(script, {{72, kLetter}, std::nullopt, OutputFormat::kPng});
    if (jobs_.jobs.size() != 1 || jobs_.jobs[0].size() != 1) return nullptr;
    WriteFileBytes("page.png", jobs_.jobs[0][0].bytes);
    return ReadPng("page.png");
  }

  ScopedTempDir temp_dir_;
  KeptJobs jobs_;
  CountedEvents events_;
  bool all_delivered_ = true;
};

// Guards against jobs and pages that the spooler would not make.
// A document without pages is one blank page: readers refuse a PDF file of
// none.
TEST_F(RenderingPrinterTest, EachEndedDocumentIsOneJobWithItsPages) {
  EXPECT_EQ(Print("x\nbeginDocument\nbeginPage\nendPage\nbeginPage\nendPage\nendDocument\n"
                  "beginDocument\nbeginPage\nendPage\nendDocument\nbeginDocument\nendDocument\n"),
            (std::vector<int>{2, 1, 1}));
  EXPECT_EQ(jobs_.names, (std::vector<std::string>{"MyDoc", "MyDoc", "MyDoc"}));
  EXPECT_NE(jobs_.pdfs[0].find("(MyDoc)"), std::string::npos) << "the title";
}

TEST_F(RenderingPrinterTest, DocumentNeverEndedIsNeverDelivered) {
  EXPECT_EQ(Print("x\nbeginDocument\nbeginPage\nendPage\n"), std::vector<int>{});
}

// Guards against pages outside a document, or a second start, making pages.
TEST_F(RenderingPrinterTest, PageCallsOutsideADocumentAreDropped) {
  EXPECT_EQ(Print("x\nbeginPage\nendPage\nendDocument\nbeginDocument\nbeginDocument\nbeginPage\n"
                  "beginPage\nendPage\nendPage\nendDocument\n"),
            std::vector<int>{1});
}

TEST_F(RenderingPrinterTest, EndingADocumentEndsItsOpenPage) {
  EXPECT_EQ(Print("x\nbeginDocument\nbeginPage\nendDocument\n"), std::vector<int>{1});
}

// Guards against a job whose pages cannot be made, or that cannot be
// delivered, passing for delivered, as an empty or a short file: the job
// fails in one message that names its file.
TEST_F(RenderingPrinterTest, AJobThatCannotBeRenderedOrDeliveredFails) {
  const std::string script = "x\nbeginDocument\nbeginPage\nendPage\nendDocument\n";
  const Paper beyond_cairo = {5000 / 25.4 * 72, 5000 / 25.4 * 72};
  EXPECT_EQ(Print(script, {{4800, beyond_cairo}, std::nullopt, OutputFormat::kPng}),
            std::vector<int>{});
  EXPECT_FALSE(all_delivered_);
  EXPECT_EQ(events_.messages,
            std::vector<std::string>{"kept.pdf: cannot render page 1 of MyDoc: invalid value "
                                     "(typically too big) for the size of the input (surface, "
                                     "pattern, etc.)"});
  jobs_.failure = "cannot write kept.pdf: No space left on device";
  Print(script);
  EXPECT_FALSE(all_delivered_);
  EXPECT_EQ(events_.messages.back(), jobs_.failure);
  EXPECT_EQ(events_.jobs, 0);
}

// Guards against a hostile line that puts the renderer into an error state
// for the rest of the job: later pages must still be made.
TEST_F(RenderingPrinterTest, HugeValuesDoNotSpoilTheJob) {
  WriteFileBytes("a.bmp", "");
  EXPECT_EQ(Print("x\nbeginDocument\nbeginPage\n"
                  "beginText\n\n2147483647\nbold\n\n2147483647\n-2147483648\nhuge\nendText\n"
                  "beginText\n\n-2147483648\nnormal\n\n0\n0\nhuge\nendText\n"
                  "beginSimpleTable\nbeginCols\n2147483647\n-2147483648\n-2147483648\n"
                  "2147483647\nendCols\nendSimpleTable\n"
                  "beginImage\na.bmp\n2147483647\n2147483647\n2147483647\n-2147483648\n"
                  "endPage\nbeginPage\nendPage\nendDocument\n"),
            std::vector<int>{2});
}

// Guards against an image path that blocks the run: a named pipe is opened
// by nobody else, so reading it would wait for ever.
TEST_F(RenderingPrinterTest, ImageThatIsNoRegularFileDrawsNothing) {
  ASSERT_EQ(mkfifo("pipe", 0600), 0);
  std::filesystem::create_directory("folder");
  EXPECT_EQ(Print("x\nbeginDocument\nbeginPage\n"
                  "beginImage\npipe\n0\n400\n100\n100\n"
                  "beginImage\nfolder\n0\n400\n100\n100\n"
                  "endPage\nendDocument\n"),
            std::vector<int>{1});
}

// Guards against pages of the formats of a file per page lost, merged or
// drawn in another geometry, and against progress that is not told.
TEST_F(RenderingPrinterTest, SvgAndPngMakeAFilePerPage) {
  const std::string script = "x\nbeginDocument\nbeginPage\nendPage\nbeginPage\nendDocument\n";
  Print(script, {{72, kLetter}, Orientation::kLandscape, OutputFormat::kPng});
  Print(script, {{72, kLetter}, std::nullopt, OutputFormat::kSvg});
  ASSERT_EQ(jobs_.jobs.size(), 2u);
  ASSERT_EQ(jobs_.jobs[0].size(), 2u);
  EXPECT_EQ(jobs_.jobs[0][1].page, 2);
  WriteFileBytes("page.png", jobs_.jobs[0][1].bytes);
  const SurfaceHandle png = ReadPng("page.png");
  EXPECT_EQ(cairo_image_surface_get_width(png.get()), 792) << "landscape letter at 72 dpi";
  EXPECT_EQ(cairo_image_surface_get_height(png.get()), 612);
  ASSERT_EQ(jobs_.jobs[1].size(), 2u);
  EXPECT_NE(jobs_.jobs[1][0].bytes.find(R"(width="612pt" height="792pt")"), std::string::npos);
  EXPECT_EQ(events_.pages, 4);
  EXPECT_EQ(events_.jobs, 2);
}

// The colour of pixel (`x`, `y`) of `png`, as 0xRRGGBB.
uint32_t ColourAt(const SurfaceHandle& png, int x, int y) {
  const unsigned char* row =
      cairo_image_surface_get_data(png.get()) + y * cairo_image_surface_get_stride(png.get());
  return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
}

// Guards against a text line that does not blank out what was drawn under
// its cell before it, or that blanks out what is drawn over it later.
TEST_F(RenderingPrinterTest, TextCellBlanksOutOnlyWhatWasDrawnUnderItBefore) {
  const SurfaceHandle png = PrintLetterPng(
      "x\nbeginDocument\nbeginPage\nbeginSimpleTable\nbeginCols\n10\n800\n10\n710\nendCols\n"
      "beginText\n\n96\nnormal\n\n5\n790\n..........\nendText\n"
      "beginCols\n12\n800\n12\n710\nendCols\nendSimpleTable\nendPage\nendDocument\n");
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(ColourAt(png, 80, 100), 0xFFFFFFu) << "the rule drawn before, inside the cell";
  EXPECT_EQ(ColourAt(png, 80, 400), 0u) << "the rule drawn before, below the cell";
  EXPECT_EQ(ColourAt(png, 96, 100), 0u) << "the rule drawn after, inside the cell";
}

// Guards against a drawing lost, cut or moved where two bands of a raster
// page meet: at 72 dpi, a letter page's first band ends at line 428.
TEST_F(RenderingPrinterTest, RuleAcrossBandsIsDrawnWhole) {
  const SurfaceHandle png = PrintLetterPng(
      "x\nbeginDocument\nbeginPage\nbeginSimpleTable\nbeginCols\n10\n737\n10\n710\nendCols\n"
      "endSimpleTable\nendPage\nendDocument\n");
  ASSERT_NE(png, nullptr);
  // The rule's column: black from line 504, in the second band, to 720.
  std::vector<int> black;
  for (int y = 0; y < cairo_image_surface_get_height(png.get()); ++y) {
    if (ColourAt(png, 80, y) == 0) black.push_back(y);
  }
  ASSERT_EQ(black.size(), 217u);
  EXPECT_EQ(black.back(), 720);
}

// Guards against an image embedded once per use, which made a letterhead on
// 200 pages cost 200 copies, and against JPEG files decoded and encoded
// again.
TEST_F(RenderingPrinterTest, AnImageIsEmbeddedOnceAndJpegAsItIs) {
  const PixbufHandle pixbuf(gdk_pixbuf_new(GDK_COLORSPACE_RGB, false, 8, 16, 16));
  gdk_pixbuf_fill(pixbuf.get(), 0x336699ff);
  ASSERT_TRUE(gdk_pixbuf_save(pixbuf.get(), "logo.png", "png", nullptr, nullptr));
  ASSERT_TRUE(gdk_pixbuf_save(pixbuf.get(), "photo.jpg", "jpeg", nullptr, nullptr));
  std::filesystem::copy_file("logo.png", "copy.png");
  std::string script = "x\nbeginDocument\n";
  for (const char* image : {"logo.png", "copy.png", "photo.jpg", "logo.png", "photo.jpg"}) {
    script += "beginPage\nbeginImage\n" + std::string(image) + "\n0\n400\n100\n100\nendPage\n";
  }
  for (const OutputFormat format : {OutputFormat::kPdf, OutputFormat::kPostScript}) {
    Print(script + "endDocument\n", {{}, std::nullopt, format});
  }
  EXPECT_EQ(Occurrences(jobs_.pdfs[0], "/Subtype /Image"), 2);
  EXPECT_EQ(Occurrences(jobs_.pdfs[0], "/DCTDecode"), 1);
  EXPECT_EQ(Occurrences(jobs_.pdfs[1], "/DCTDecode"), 1);
}

// What pdftotext copies out of `pdf`.
std::string CopiedText(const std::string& pdf) {
  WriteFileBytes("copied.pdf", pdf);
  FILE* text = popen("pdftotext -q copied.pdf -", "r");
  std::string copied;
  char buffer[4096];
  for (size_t read; (read = fread(buffer, 1, sizeof buffer, text)) > 0;)
    copied.append(buffer, read);
  pclose(text);
  return copied;
}

// Guards against PDF text that shows the right glyphs but copies out as
// other characters, and against faces not embedded, or embedded once per
// line. In Liberation Sans, the glyphs of "E", "F" and "y" have the indices
// of a string's parentheses and its backslash, and a hyphen and a soft
// hyphen share a glyph.
TEST_F(RenderingPrinterTest, TextCopiesOutAsWrittenInEachFace) {
  Print(
      "x\nbeginDocument\nbeginPage\n"
      "beginText\n\n60\nnormal\n\n10\n700\nNa\xE8\xED't\xE1n\xED \x9E\xE1"
      "dosti \x96 12,50 \x80\n"
      "Second line: EFy a-b\xAD"
      "c\nendText\n"
      "beginText\n\n60\nbold\n\n10\n600\nTotal (net)\nendText\nendPage\nendDocument\n");
  ASSERT_EQ(jobs_.pdfs.size(), 1u);
  EXPECT_EQ(CopiedText(jobs_.pdfs[0]),
            "Na\u010D\u00ED't\u00E1n\u00ED \u017E\u00E1dosti \u2013 12,50 \u20AC\n"
            "Second line: EFy a-b\u00ADc\n\nTotal (net)\n\n\f");
  EXPECT_EQ(Occurrences(jobs_.pdfs[0], "/FontFile2"), 2);
}

// The bytes that the program has allocated and not freed.
size_t HeapInUse() {
  if (__sanitizer_get_current_allocated_bytes != nullptr) {
    return __sanitizer_get_current_allocated_bytes();
  }
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// The dark pixels of `page` left of `right` and above `bottom`.
int DarkPixels(cairo_surface_t* page, int right, int bottom) {
  const unsigned char* pixels = cairo_image_surface_get_data(page);
  const int stride = cairo_image_surface_get_stride(page);
  int dark = 0;
  for (int y = 0; y < bottom; ++y) {
    for (int x = 0; x < right; ++x) {
      dark += (reinterpret_cast<const uint32_t*>(pixels + y * stride)[x] & 0xFF) < 0x80;
    }
  }
  return dark;
}

// Guards against huge text on raster pages taking memory by the square of
// its size: cairo renders each glyph it shows into a bitmap and keeps it,
// and a line of 26 letters 4000 pixels high took 700 MB. Such text is
// filled as outlines, which are drawn as the glyphs would be.
TEST_F(RenderingPrinterTest, HugeTextOnRasterPagesIsDrawnWithoutBitmaps) {
  const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const auto line = [&letters](int size) {
    return "x\nbeginDocument\nbeginPage\nbeginText\n\n" + std::to_string(size) +
           "\nnormal\n\n-1\n800\n" + letters + "\nendText\nendPage\nendDocument\n";
  };
  const PageSettings png = {{72, kLetter}, std::nullopt, OutputFormat::kPng};
  Print(line(-20), png);
  const size_t before = HeapInUse();
  Print(line(-2000), png);
  EXPECT_LT(HeapInUse(), before + (size_t{16} << 20));
  ASSERT_EQ(jobs_.jobs.size(), 2u);
  WriteFileBytes("page.png", jobs_.jobs[1][0].bytes);
  EXPECT_GT(DarkPixels(ReadPng("page.png").get(), 612, 792), 10000)
      << "the first letters, across the page";
}

// Guards against text too large for FreeType, which sizes glyphs in 16-bit
// pixels to the em: cairo put the context in error, and kept the scaled
// font in error and its face for ever, so that each printer that met such
// text leaked its face. It draws nothing, and the text after it is drawn.
TEST_F(RenderingPrinterTest, TextTooLargeForFreeTypeDrawsNothingAndKeepsNothing) {
  const std::string huge = "beginText\n\n-65536\nbold\n\n0\n800\nW\nendText\n";
  const auto page = [](const std::string& blocks) {
    return "x\nbeginDocument\nbeginPage\n" + blocks + "endPage\nendDocument\n";
  };
  const PageSettings png = {{72, kLetter}, std::nullopt, OutputFormat::kPng};
  Print(page(huge), png);
  const size_t before = HeapInUse();
  for (int run = 0; run < 20; ++run) {
    Print(page(huge), png);
    jobs_ = KeptJobs();
  }
  EXPECT_LT(HeapInUse(), before + (size_t{64} << 10));
  Print(page(huge + "beginText\n\n-8\nnormal\n\n0\n800\nafter\nendText\n"), png);
  WriteFileBytes("page.png", jobs_.jobs[0][0].bytes);
  EXPECT_GT(DarkPixels(ReadPng("page.png").get(), 40, 8), 0) << "the text after it";
}

// Guards against a long line that costs memory and output by its length: a
// line of 20 MB took a gigabyte. It is drawn in pieces, and those that lie
// wholly off the sheet are left out, wherever the line starts.
TEST_F(RenderingPrinterTest, ALongLineIsDrawnOnlyWhereItCanBeSeen) {
  const auto script = [](const std::string& x, size_t letters) {
    return "x\nbeginDocument\nbeginPage\nbeginText\n\n60\nnormal\n\n" + x + "\n700\n" +
           std::string(letters, 'W') + "\nendText\nendPage\nendDocument\n";
  };
  const size_t long_line = 3 * RenderingPrinter::kTextPiece + 5;
  Print(script("10", long_line));
  Print(script("10", RenderingPrinter::kTextPiece));
  Print(script("-20000", long_line));
  ASSERT_EQ(jobs_.pdfs.size(), 3u);
  EXPECT_EQ(jobs_.pdfs[0], jobs_.pdfs[1]) << "only the first piece lies on the sheet";
  EXPECT_GT(Occurrences(CopiedText(jobs_.pdfs[2]), "W"), 50) << "a later piece, in its place";
  EXPECT_LT(jobs_.pdfs[2].size(), jobs_.pdfs[1].size() * 3 / 2) << "and no other";
}

// Guards against a drawing beyond what a format can draw clamped number by
// number, which moved it (an image meant to start 6.45 in down was drawn
// from the top edge) or drew it in one format only: it is left out whole,
// in every format.
TEST_F(RenderingPrinterTest, ADrawingBeyondTheLimitsIsLeftOutInEveryFormat) {
  const PixbufHandle pixbuf(gdk_pixbuf_new(GDK_COLORSPACE_RGB, false, 8, 2, 2));
  gdk_pixbuf_fill(pixbuf.get(), 0x000000ff);
  ASSERT_TRUE(gdk_pixbuf_save(pixbuf.get(), "black.png", "png", nullptr, nullptr));
  const std::string script =
      "x\nbeginDocument\nbeginPage\nbeginImage\nblack.png\n0\n-290\n100\n2147483647\n"
      "beginText\n\n-70000\nnormal\n\n0\n800\nW\nendText\nendPage\nendDocument\n";
  Print(script);
  Print(script, {{72, kLetter}, std::nullopt, OutputFormat::kPng});
  ASSERT_EQ(jobs_.jobs.size(), 2u);
  EXPECT_EQ(Occurrences(jobs_.pdfs[0], "/Subtype /Image"), 0) << "no image drawn";
  EXPECT_EQ(Occurrences(jobs_.pdfs[0], "/FontFile2"), 0) << "no text drawn";
  WriteFileBytes("page.png", jobs_.jobs[1][0].bytes);
  EXPECT_EQ(DarkPixels(ReadPng("page.png").get(), 612, 792), 0);
}

// Guards against Arial resolved to a face whose metrics differ from
// Arial's, which would move every line of text.
TEST(ArialFacesTest, ArialResolvesToAMetricCompatibleFace) {
  ArialFaces faces;
  for (int32_t weight : {400, 700}) {
    for (bool italic : {false, true}) {
      const ArialFace& face = faces.Get(weight, italic);
      ASSERT_NE(face.face, nullptr) << weight << " " << italic;
      EXPECT_EQ(face.metrics.units_per_em, 2048) << face.file;
      EXPECT_EQ(face.metrics.win_ascent, 1854) << face.file;
      EXPECT_EQ(face.metrics.win_descent, 434) << face.file;
    }
  }
  EXPECT_NE(faces.Get(700, true).file, faces.Get(400, false).file);
}

}  // namespace
}  // namespace quarvel
