-- Counts the ways to put n queens on an n by n board, none attacking
-- another: one queen a row, each row trying every column against the rows
-- above.

local function safe(col, placed)
  -- d is how many rows up the queen at placed[d] stands.
  for d, c in ipairs(placed) do
    if c == col or c == col + d or c + d == col then return false end
  end
  return true
end

-- placed holds the columns of the queens above, the nearest first.
local function place(n, row, placed)
  if row == n then return 1 end
  local ways = 0
  for col = 0, n - 1 do
    if safe(col, placed) then
      local below = { col }
      table.move(placed, 1, #placed, 2, below)
      ways = ways + place(n, row + 1, below)
    end
  end
  return ways
end

local result = place(tonumber(arg[1]), 0, {})
print(result)
os.exit(result & 0xFF)
