-- A binary search tree used as a map: inserts n pseudo-random keys below
-- 2n, key i with the value i (a key met again takes the later value), then
-- looks up 2n keys, the n inserted and n more from the same sequence; prints
-- how many were found and the sum of their values.

local function next_key(s)
  return (s * 7919 + 13) % 1000003
end

local function insert(tree, key, value)
  if tree == nil then return { key = key, value = value } end
  if key < tree.key then
    tree.left = insert(tree.left, key, value)
  elseif tree.key < key then
    tree.right = insert(tree.right, key, value)
  else
    tree.value = value
  end
  return tree
end

-- The value of key, or -1 when the tree does not hold it.
local function find(tree, key)
  if tree == nil then return -1 end
  if key < tree.key then return find(tree.left, key) end
  if tree.key < key then return find(tree.right, key) end
  return tree.value
end

local function main(n)
  local tree, s = nil, 12345
  for i = 0, n - 1 do
    tree = insert(tree, s % (2 * n), i)
    s = next_key(s)
  end
  local hits, total = 0, 0
  s = 12345
  for _ = 1, 2 * n do
    local value = find(tree, s % (2 * n))
    if not (value < 0) then
      hits = hits + 1
      total = total + value
    end
    s = next_key(s)
  end
  print(hits .. " found, values summing to " .. total)
  return hits
end

os.exit(main(tonumber(arg[1])) & 0xFF)
