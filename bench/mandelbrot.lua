-- Counts the points of an n by n grid over [-1.5, 0.5] x [-1, 1] that stay
-- within radius 2 for 50 steps of z := z * z + c.

-- True when z stays within radius 2 for i more steps.
local function stays(c_re, c_im, i)
  local z_re, z_im = 0.0, 0.0
  while i > 0 do
    if 4.0 < z_re * z_re + z_im * z_im then return false end
    z_re, z_im = z_re * z_re - z_im * z_im + c_re, 2.0 * z_re * z_im + c_im
    i = i - 1
  end
  return true
end

local function count(n)
  local inside = 0
  for y = 0, n - 1 do
    for x = 0, n - 1 do
      local c_re = 2 * x / n - 1.5
      local c_im = 2 * y / n - 1.0
      if stays(c_re, c_im, 50) then inside = inside + 1 end
    end
  end
  return inside
end

local result = count(tonumber(arg[1]))
print(result)
os.exit(result & 0xFF)
