-- Allocation: builds complete binary trees and walks them, as in the
-- classic benchmark.  A tree is false (a node without children) or a pair
-- { left, right }.

local function make(depth)
  if depth == 0 then return false end
  return { make(depth - 1), make(depth - 1) }
end

local function check(tree)
  if not tree then return 1 end
  return 1 + check(tree[1]) + check(tree[2])
end

local function main(n)
  print("stretch tree of depth " .. n + 1 .. " check: " .. check(make(n + 1)))
  local long_lived = make(n)
  -- For each depth d from 4 up to n in steps of two, builds and checks
  -- 2^(n - d + 4) trees; the sum of all their checks is the result.
  local total = 0
  for d = 4, n, 2 do
    local trees = 1 << (n - d + 4)
    local acc = 0
    for _ = 1, trees do acc = acc + check(make(d)) end
    print(trees .. " trees of depth " .. d .. " check: " .. acc)
    total = total + acc
  end
  print("long lived tree of depth " .. n .. " check: " .. check(long_lived))
  return total
end

os.exit(main(tonumber(arg[1])) & 0xFF)
