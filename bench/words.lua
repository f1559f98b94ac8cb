-- Builds a text of n pseudo-random letters and blanks by joining one byte at
-- a time, then counts its words: places where a letter follows a blank or
-- the start.  Lua's strings are copied by every join, so the bytes are
-- gathered in a table and joined once.

-- About one byte in six is a blank.
local function letter(s)
  if s % 6 == 0 then return 32 end
  return 97 + s % 26
end

local function build(n, s)
  local bytes = {}
  for i = 1, n do
    bytes[i] = string.char(letter(s))
    s = (s * 7919 + 13) % 1000003
  end
  return table.concat(bytes)
end

local function count(text)
  local words, in_word = 0, false
  for i = 1, #text do
    local blank = string.byte(text, i) == 32
    if not in_word and not blank then words = words + 1 end
    in_word = not blank
  end
  return words
end

local text = build(tonumber(arg[1]), 12345)
local words = count(text)
print(#text .. " bytes, " .. words .. " words")
os.exit(words & 0xFF)
