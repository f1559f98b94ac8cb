-- Quicksort of n pseudo-random integers on lists, then a weighted checksum.
local function gen(n, s)
  local out = {}
  for i = 1, n do
    out[i] = s
    s = (s * 7919 + 13) % 1000003
  end
  return out
end

-- The head is the pivot; the elements below it go left, the others right,
-- in their order.
local function quick(items)
  if #items == 0 then return {} end
  local pivot, low, high = items[1], {}, {}
  for i = 2, #items do
    local x = items[i]
    if x < pivot then low[#low + 1] = x else high[#high + 1] = x end
  end
  local out = quick(low)
  out[#out + 1] = pivot
  table.move(quick(high), 1, #high, #out + 1, out)
  return out
end

local function check(items)
  local acc = 0
  for i, x in ipairs(items) do acc = (acc + i * x) % 1000003 end
  return acc
end

local result = check(quick(gen(tonumber(arg[1]), 12345)))
print(result)
os.exit(result & 0xFF)
