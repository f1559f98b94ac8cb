-- A loop of n steps with an accumulator, written as a tail call.
local function loop(n, acc)
  if n == 0 then return acc end
  return loop(n - 1, acc + n)
end
os.exit(loop(tonumber(arg[1]), 0) & 0xFF)
