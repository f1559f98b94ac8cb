-- The sieve of Eratosthenes up to n on one byte block: byte i is 1 while i
-- may be prime.  Lua's strings cannot change, so the block is a table.
local function sieve(n)
  local flags = {}
  for i = 0, n do flags[i] = 1 end
  flags[0], flags[1] = 0, 0
  local i = 2
  while i * i <= n do
    if flags[i] == 1 then
      -- Clears every i-th byte from i * i up to n.
      for j = i * i, n, i do flags[j] = 0 end
    end
    i = i + 1
  end
  return flags
end

local function count(flags, n)
  local acc = 0
  for i = 0, n do acc = acc + flags[i] end
  return acc
end

local n = tonumber(arg[1])
local result = count(sieve(n), n)
print(result)
os.exit(result & 0xFF)
