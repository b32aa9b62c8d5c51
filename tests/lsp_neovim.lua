-- Run by tests/lsp_neovim.sh inside `nvim --headless`. Opens the built-in line and
-- train files with the built-in LSP client attached to `binario lsp`, edits the
-- buffers (never writes them) and checks what the server reports.
local exe = os.getenv('BINARIO_EXE')
local dir = os.getenv('SCENARIO_DIR')
local line_file = dir .. '/Lavena_Torre Alta_linea.txt'
local train_file = dir .. '/Lavena_Torre Alta_A 1-.txt'

local function say(msg) io.stdout:write(msg .. '\n') end
local function fail(msg)
  io.stdout:write('FAIL: ' .. msg .. '\n')
  vim.cmd('cquit 1')
end

vim.o.hidden = true
local raw = {} -- the last publishDiagnostics params by file name
local client_id = vim.lsp.start_client({
  cmd = { exe, 'lsp' },
  name = 'binario',
  root_dir = dir,
  handlers = {
    ['textDocument/publishDiagnostics'] = function(err, result, ctx, config)
      raw[vim.uri_to_fname(result.uri)] = result
      return vim.lsp.diagnostic.on_publish_diagnostics(err, result, ctx, config)
    end,
  },
})
if not client_id then fail('the client did not start') end

local function open(path)
  vim.cmd('edit ' .. vim.fn.fnameescape(path))
  local buf = vim.api.nvim_get_current_buf()
  vim.lsp.buf_attach_client(buf, client_id)
  return buf
end

local function find_line(buf, text)
  for i, l in ipairs(vim.api.nvim_buf_get_lines(buf, 0, -1, false)) do
    if l:find(text, 1, true) then return i - 1 end
  end
  fail('no line with ' .. text)
end

local function wait_for(what, pred)
  if not vim.wait(15000, pred, 20) then fail('timed out waiting for ' .. what) end
end

local function diags(buf, severity)
  return vim.diagnostic.get(buf, severity and { severity = severity } or nil)
end

-- 1. The line file opens clean.
local lbuf = open(line_file)
wait_for('the first diagnostics', function() return raw[line_file] ~= nil end)
if #diags(lbuf) ~= 0 then fail('the built-in line file has diagnostics') end

-- 2. A keyword typo: a warning on that line.
local typo_line = find_line(lbuf, 'pendenza,  450')
local original = vim.api.nvim_buf_get_lines(lbuf, typo_line, typo_line + 1, false)[1]
vim.api.nvim_buf_set_lines(lbuf, typo_line, typo_line + 1, false,
  { (original:gsub('pendenza', 'pendensa')) })
wait_for('the typo warning', function()
  for _, d in ipairs(diags(lbuf, vim.diagnostic.severity.WARN)) do
    if d.lnum == typo_line and d.message:find('pendenza', 1, true) then return true end
  end
  return false
end)
say('typo warning at line ' .. (typo_line + 1))

-- 3. A signal on the cell of another one: error 16 with the other record's place.
local tbuf = open(train_file)
local signal_line = find_line(tbuf, 'segnale,   12100')
vim.api.nvim_buf_set_lines(tbuf, signal_line + 1, signal_line + 1, false,
  { 'segnale,   12110,   1, 5, 1,  0, 0,    0,  0,0,0, 0' })
local collision
wait_for('the collision error', function()
  local p = raw[train_file]
  if not p then return false end
  for _, d in ipairs(p.diagnostics) do
    if d.code == 16 and d.severity == 1 and d.range.start.line == signal_line + 1 then
      collision = d
      return true
    end
  end
  return false
end)
if #diags(tbuf, vim.diagnostic.severity.ERROR) < 1 then fail('the error is not shown') end
local related = collision.relatedInformation
if not related or #related < 1 then fail('the error has no related location') end
if vim.uri_to_fname(related[1].location.uri) ~= train_file
    or related[1].location.range.start.line ~= signal_line then
  fail('the related location is ' .. vim.inspect(related[1].location))
end
say('collision error at line ' .. (signal_line + 2) .. ', related to line ' .. (signal_line + 1))

-- 4. Both fixed: the diagnostics clear.
vim.api.nvim_buf_set_lines(tbuf, signal_line + 1, signal_line + 2, false, {})
vim.api.nvim_buf_set_lines(lbuf, typo_line, typo_line + 1, false, { original })
wait_for('the diagnostics to clear', function()
  return #diags(lbuf) == 0 and #diags(tbuf) == 0 and raw[train_file]
      and #raw[train_file].diagnostics == 0 and #raw[line_file].diagnostics == 0
end)
say('diagnostics cleared')

-- 5. Hover on the signal and the outline of the train file.
local params = {
  textDocument = { uri = vim.uri_from_bufnr(tbuf) },
  position = { line = signal_line, character = 12 },
}
local res = vim.lsp.buf_request_sync(tbuf, 'textDocument/hover', params, 10000)
local hover = res and res[client_id] and res[client_id].result
if not hover or not hover.contents.value:find('cell 243', 1, true) then
  fail('hover: ' .. vim.inspect(res))
end
res = vim.lsp.buf_request_sync(tbuf, 'textDocument/documentSymbol',
  { textDocument = { uri = vim.uri_from_bufnr(tbuf) } }, 10000)
local symbols = res and res[client_id] and res[client_id].result
local names = {}
for _, s in ipairs(symbols or {}) do
  for _, c in ipairs(s.children or {}) do names[c.name] = true end
end
if not names['signal 12100'] or not names['station 14000 DOGANA'] then
  fail('symbols: ' .. vim.inspect(symbols))
end
say('hover and symbols answered')

vim.lsp.stop_client(client_id)
say('OK')
vim.cmd('qa!')
