-- Takeuchi's function of n, 16 and 8: calls and little else.
local function tak(x, y, z)
  if y < x then
    return tak(tak(x - 1, y, z), tak(y - 1, z, x), tak(z - 1, x, y))
  end
  return z
end

local result = tak(tonumber(arg[1]), 16, 8)
print(result)
os.exit(result & 0xFF)
