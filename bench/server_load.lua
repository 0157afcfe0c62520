-- wrk: PNG requests of random EAN 13 texts (12 digits; the service adds
-- the check digit). PATH_PREFIX selects the server's own query syntax.
local prefix = os.getenv("PATH_PREFIX") or "/barcode?type=ean13&format=png&text="
local counter = 0

function init(args)
  counter = 0
  math.randomseed(os.time() + tonumber(tostring({}):sub(8), 16) % 100000)
end

function request()
  local digits = {}
  for i = 1, 12 do digits[i] = string.char(48 + math.random(0, 9)) end
  counter = counter + 1
  return wrk.format("GET", prefix .. table.concat(digits))
end
