-- Top-down merge sort of n pseudo-random integers, then a weighted checksum.
local function gen(n, s)
  local out = {}
  for i = 1, n do
    out[i] = s
    s = (s * 7919 + 13) % 1000003
  end
  return out
end

local function merge(p, q)
  local out, i, j, n = {}, 1, 1, 0
  while i <= #p and j <= #q do
    n = n + 1
    if p[i] < q[j] then out[n] = p[i]; i = i + 1 else out[n] = q[j]; j = j + 1 end
  end
  for k = i, #p do n = n + 1; out[n] = p[k] end
  for k = j, #q do n = n + 1; out[n] = q[k] end
  return out
end

local function sort(items)
  if #items < 2 then return items end
  local half = #items // 2
  return merge(sort(table.move(items, 1, half, 1, {})), sort(table.move(items, half + 1, #items, 1, {})))
end

local function check(items)
  local acc = 0
  for i, x in ipairs(items) do acc = (acc + i * x) % 1000003 end
  return acc
end

os.exit(check(sort(gen(tonumber(arg[1]), 12345))) & 0xFF)
