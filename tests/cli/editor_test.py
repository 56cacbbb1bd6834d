"""The language server in a real editor: Debian's Neovim, headless, opens a
script with its built-in LSP client started on `quarvel --lsp`, and reads the
diagnostics, a hover and the outline that the server gives it."""
import json
import os
import subprocess
import unittest

from cli_support import QUARVEL, RUN_SECONDS, Folder

SCRIPT = "\n".join(["pageOrientation", "portrait", "beginDocument", "beginPage",
                    "beginText", "", "60", "Bold", "", "10", "700", "Hello", "endText",
                    "beginImage", "missing.png", "100", "100", "100", "100",
                    "endPage", "endDocument", ""])

# Starts the client on the script, waits for its diagnostics, asks for a
# hover on line 11 ("Hello") and the outline, and writes what it got.
CLIENT = """
local out = assert(os.getenv("EDITOR_RESULT"))
local client = vim.lsp.start_client({cmd = {os.getenv("EDITOR_SERVER"), "--lsp"},
                                     root_dir = vim.fn.getcwd()})
vim.cmd("edit " .. os.getenv("EDITOR_SCRIPT"))
local buffer = vim.api.nvim_get_current_buf()
vim.lsp.buf_attach_client(buffer, client)
local published = vim.wait(20000, function() return #vim.diagnostic.get(buffer) > 0 end, 50)
local result = {diagnostics = {}}
for _, d in ipairs(vim.diagnostic.get(buffer)) do
  local code = d.code or (d.user_data and d.user_data.lsp and d.user_data.lsp.code)
  table.insert(result.diagnostics, {line = d.lnum, code = code, message = d.message})
end
local uri = vim.uri_from_bufnr(buffer)
local function ask(method, params)
  local answers = vim.lsp.buf_request_sync(buffer, method, params, 20000) or {}
  local answer = answers[client]
  return answer and answer.result or vim.NIL
end
result.hover = ask("textDocument/hover",
                   {textDocument = {uri = uri}, position = {line = 11, character = 0}})
result.symbols = ask("textDocument/documentSymbol", {textDocument = {uri = uri}})
result.published = published
local file = assert(io.open(out, "w"))
file:write(vim.fn.json_encode(result))
file:close()
vim.lsp.stop_client(client)
vim.cmd("qa!")
"""


class EditorTest(Folder):
    # Guards against a server that a real client cannot start, frame or
    # read: diagnostics, hover and outline each through Neovim's client.
    def test_neovim_reads_diagnostics_hover_and_outline(self):
        self.write("script.txt", SCRIPT)
        self.write("client.lua", CLIENT)
        result_path = self.path("result.json")
        environment = dict(os.environ, EDITOR_RESULT=result_path, EDITOR_SERVER=QUARVEL,
                           EDITOR_SCRIPT=self.path("script.txt"), XDG_STATE_HOME=self.folder,
                           XDG_DATA_HOME=self.folder, XDG_CONFIG_HOME=self.folder)
        subprocess.run(["nvim", "--headless", "--clean", "-n", "-c", "luafile client.lua"],
                       cwd=self.folder, env=environment, stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=RUN_SECONDS, check=True)
        with open(result_path, encoding="utf-8") as file:
            result = json.load(file)
        found = sorted((d["line"], d["code"]) for d in result["diagnostics"])
        self.assertEqual(found, [(7, "near-keyword"), (14, "image")], result)
        messages = {d["code"]: d["message"] for d in result["diagnostics"]}
        self.assertIn("missing.png\" cannot be loaded: no such file", messages["image"])
        self.assertIn("Text drawn", result["hover"]["contents"]["value"])
        document = result["symbols"][0]
        self.assertEqual([part["name"] for part in document["children"][0]["children"]],
                         ["text block", "image"], result)


if __name__ == "__main__":
    unittest.main()
