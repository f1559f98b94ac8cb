-- A list of n pairs built by a loop, then counted by a loop.
local function build(n, rest)
  while n ~= 0 do n, rest = n - 1, {n, rest} end
  return rest
end
local function count(list, a)
  while list do list, a = list[2], a + 1 end
  return a
end
os.exit(count(build(tonumber(arg[1]), nil), 0) & 0xFF)
