// The checker program of Windows, quarvel-check.exe: a console program that
// checks document scripts as quarvel.exe would print them, reports each
// finding on standard output and prints nothing else.
#include "win32/win32_windows.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "checker/check_command.h"
#include "checker/script_checker.h"
#include "host.h"
#include "lsp/language_server.h"
#include "win32/win32_gdi.h"
#include "win32/win32_printer.h"

namespace {

constexpr const char* kProgram = "quarvel-check";

// `text` as UTF-8.
std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

// Serves an editor on standard input and output, which carry the
// protocol's bytes untranslated.
int ServeLanguage(quarvel::Host& host, const quarvel::CheckOptions& options) {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  quarvel::LanguageServer server(host, quarvel::WhyPictureCannotLoad, options, QUARVEL_VERSION);
  return quarvel::RunLanguageServer(server, stdin, stdout, stderr, kProgram);
}

int RunCommand(const quarvel::CheckCommand& command, wchar_t** argv,
               const std::vector<std::string>& arguments) {
  if (command.help) {
    std::fputs(quarvel::CheckUsage(kProgram).c_str(), stdout);
    return 0;
  }
  if (command.version) {
    std::printf("%s %s\n", kProgram, QUARVEL_VERSION);
    return 0;
  }
  const quarvel::GdiplusSession gdiplus;
  const auto host = quarvel::NewSystemHost();
  const quarvel::CheckOptions options{command.warnings, GetACP() == CP_UTF8};
  if (command.language_server) return ServeLanguage(*host, options);
  std::vector<quarvel::ScriptArgument> scripts;
  for (size_t index : command.scripts) scripts.push_back({argv[index + 1], arguments[index]});
  return quarvel::CheckScripts(*host, quarvel::WhyPictureCannotLoad, scripts, options, kProgram,
                               stdout, stderr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(Utf8(argv[i]));
  const auto parsed = quarvel::ParseCheckCommand(arguments);
  if (const auto* error = std::get_if<quarvel::CheckCommandError>(&parsed)) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram,
                 error->message.c_str(), kProgram);
    return 2;
  }
  return RunCommand(std::get<quarvel::CheckCommand>(parsed), argv, arguments);
}
