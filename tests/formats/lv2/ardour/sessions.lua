-- Ardour, headless, one part of the test per run (QM_PART), as Ardour's Lua session tool runs one
-- session well per process:
--   sidechain  a music track with QuellmarV3 keyed by a voice track through its side-chain
--   bus        the voice track's QuellmarV3 publishes on the key bus, the music track's listens
--   save       a session with every control set away from its default, saved
--   reopen     that session opened again, its controls printed
-- The first two are exported (the music alone: the voice track's fader is down) as WAV to
-- QM_WORK/export. The shell script checks the files and the printout.

local work = os.getenv("QM_WORK")
local part = os.getenv("QM_PART")
-- One processing thread: the tracks then run one after another in each cycle, as a listener on
-- the bus hears its sender's block whole only when the two do not run at the same moment.
pcall(function() ARDOUR.config():set_processor_usage(1) end)
local uri = "http://quellmar.org/lv2/QuellmarV3"
local rate = 48000
local wav = "75969a1c-3133-4694-864b-a1fa50e43348" -- Ardour's "WAV @ session-rate" export preset
-- The controls in Ardour's order (control ports by index).
local symbols = { "enabled", "input_alpha", "input_beta", "input_gamma", "input_delta", "attack", "release",
  "duck_key", "threshold", "range", "hold", "lookahead" }
local function control(name) for i, s in ipairs(symbols) do if s == name then return i - 1 end end end

local function track(s, name, generator)
  local t = s:new_audio_track(2, 2, nil, 1, name, ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, false):front()
  assert(not t:isnil(), "no track " .. name)
  t:add_processor_by_index(ARDOUR.LuaAPI.new_luaproc(s, generator), 0, nil, true)
  return t
end

local function quellmar(s, t, settings)
  local p = ARDOUR.LuaAPI.new_plugin(s, uri, ARDOUR.PluginType.LV2, "")
  assert(not p:isnil(), "QuellmarV3 not found")
  t:add_processor_by_index(p, 1, nil, true)
  for name, value in pairs(settings) do ARDOUR.LuaAPI.set_processor_param(p, control(name), value) end
  return p
end

-- The exports of the part: kept until the part is done, as Ardour's own teardown of an export
-- object may abort the process (see the shell script).
local exports = {}

local function export(s, name)
  local e = s:simple_export()
  exports[#exports + 1] = e
  e:set_folder(work .. "/export")
  e:set_name(name)
  e:set_range(0, 5 * rate)
  assert(e:set_preset(wav), "no WAV export preset")
  assert(e:run_export(), "export " .. name .. " failed")
end

local ducking = { duck_key = 1, threshold = -40, attack = 10, release = 100 }

-- Runs `body` on a new session, then lets go of every object the script still holds of it before
-- the session closes (Lua keeps what its variables reference alive, the session's ports included).
local function withSession(name, body)
  local s = create_session(work .. "/" .. name, name, rate)
  assert(s, "no session " .. name)
  body(s)
  print("part done")
  exports = {}
  collectgarbage()
  close_session()
end

if part == "sidechain" then withSession("sidechain", function(s)
  local voice = track(s, "Voice", "QM Test Voice")
  local music = track(s, "Music", "QM Test Music")
  local p = quellmar(s, music, ducking)
  assert(music:add_sidechain(p), "no side-chain")
  local send = ARDOUR.LuaAPI.new_send(s, voice, voice:amp()):to_send()
  local from, to = send:output(), p:to_plugininsert():sidechain_input()
  for c = 0, 1 do assert(from:nth(c):connect(to:nth(c):name()) == 0, "side-chain not connected") end
  voice:gain_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
  export(s, "sidechain")
  s:save_state("", false, false, false)
end) end

-- The bus session: the voice's instance publishes (switched off, it passes the voice), the music's
-- listens to the slot the voice's took, as its slot output says once the engine has run it.
if part == "bus" then withSession("bus", function(s)
  local voice = track(s, "Voice", "QM Test Voice")
  local music = track(s, "Music", "QM Test Music")
  local sender = quellmar(s, voice, { enabled = 0 })
  local listener = quellmar(s, music, ducking)
  ARDOUR.LuaAPI.usleep(200000)
  local senderSlot = ARDOUR.LuaAPI.get_processor_param(sender, 12)
  local listenerSlot = ARDOUR.LuaAPI.get_processor_param(listener, 12)
  print("slots", senderSlot, listenerSlot)
  if senderSlot >= 0 then ARDOUR.LuaAPI.set_processor_param(listener, control("input_alpha") + senderSlot, 1) end
  voice:gain_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
  export(s, "bus")
end) end

-- Every control away from its default, saved and opened again.
local settings = { enabled = 0, input_alpha = 1, input_beta = 0, input_gamma = 1, input_delta = 0, attack = 123,
  release = 456, duck_key = 1, threshold = -33, range = 9, hold = 250, lookahead = 12.5 }
if part == "save" then withSession("reopen", function(s)
  quellmar(s, track(s, "Music", "QM Test Music"), settings)
  s:save_state("", false, false, false)
end) end
local function reopen()
  local s = load_session(work .. "/reopen", "reopen")
  assert(s, "the saved session did not open")
  local reopened = s:route_by_name("Music"):nth_plugin(1)
  for i, name in ipairs(symbols) do
    print("control", name, settings[name], ARDOUR.LuaAPI.get_processor_param(reopened, i - 1))
  end
end
if part == "reopen" then
  reopen()
  collectgarbage()
  close_session()
end
