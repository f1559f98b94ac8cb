-- Fannkuch-redux: for every permutation of 0 to n - 1, counts the flips
-- (reversing the first k + 1 elements, k the first) until 0 comes first;
-- prints the checksum (the flips summed with alternating signs) and the most
-- flips.  The permutations come in the classic order: those of the first k
-- elements, each followed by rotating the first k + 1 by one.

local function flips(perm)
  perm = table.move(perm, 1, #perm, 1, {})
  local count = 0
  while perm[1] ~= 0 do
    local k = perm[1] + 1
    for i = 1, k // 2 do perm[i], perm[k + 1 - i] = perm[k + 1 - i], perm[i] end
    count = count + 1
  end
  return count
end

-- state holds count, checksum and most over the permutations visited so far.
local function visit(perm, state)
  local f = flips(perm)
  if state.count % 2 == 0 then state.checksum = state.checksum + f
  else state.checksum = state.checksum - f end
  if state.most < f then state.most = f end
  state.count = state.count + 1
end

local function perms(k, perm, state)
  if k == 1 then return visit(perm, state) end
  for _ = 1, k do
    perms(k - 1, perm, state)
    -- Moves the first element to place k - 1.
    table.insert(perm, k, table.remove(perm, 1))
  end
end

local n = tonumber(arg[1])
local perm, state = {}, { count = 0, checksum = 0, most = 0 }
for i = 1, n do perm[i] = i - 1 end
perms(n, perm, state)
print(state.checksum)
print(string.format("Pfannkuchen(%d) = %d", n, state.most))
os.exit(state.checksum & 0xFF)
