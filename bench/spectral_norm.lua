-- The spectral norm of the infinite matrix with entries
-- 1 / ((i + j) (i + j + 1) / 2 + i + 1), cut to n by n: ten rounds of the
-- power method on lists of reals.

local function entry(i, j)
  return 1.0 / ((i + j) * (i + j + 1) // 2 + i + 1)
end

local function transposed(i, j)
  return entry(j, i)
end

-- Each element of the result is a row of the matrix a times u.
local function times_matrix(a, u)
  local out = {}
  for i = 1, #u do
    local acc = 0.0
    for j, x in ipairs(u) do acc = acc + a(i - 1, j - 1) * x end
    out[i] = acc
  end
  return out
end

local function dot(u, v)
  local acc = 0.0
  for i, x in ipairs(u) do acc = acc + x * v[i] end
  return acc
end

-- Each round multiplies u by A transposed times A, and the result again.
local function power(n, rounds)
  local u, v = {}, {}
  for i = 1, n do u[i], v[i] = 1.0, 1.0 end
  for _ = 1, rounds do
    v = times_matrix(transposed, times_matrix(entry, u))
    u = times_matrix(transposed, times_matrix(entry, v))
  end
  return u, v
end

local u, v = power(tonumber(arg[1]), 10)
print(string.format("%e", math.sqrt(dot(u, v) / dot(v, v))))
