Content-Length: 75

{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}Content-Length: 52

{"jsonrpc":"2.0","method":"initialized","params":{}}Content-Length: 202

{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///tmp/session.txt","languageId":"quarvel","version":1,"text":"beginDocument\nbeginPage\nendPage\nendDocument\n"}}}Content-Length: 44

{"jsonrpc":"2.0","id":2,"method":"shutdown"}Content-Length: 33

{"jsonrpc":"2.0","method":"exit"}