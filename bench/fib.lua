-- Naive doubly recursive Fibonacci of the size given as the first argument.
local function fib(n)
  if n < 2 then return n end
  return fib(n - 1) + fib(n - 2)
end
os.exit(fib(tonumber(arg[1])) & 0xFF)
