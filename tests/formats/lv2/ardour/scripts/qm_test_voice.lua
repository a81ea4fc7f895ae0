ardour { ["type"] = "dsp", name = "QM Test Voice", category = "Utility", license = "MIT", author = "QuellmarV3 tests",
  description = "A 200 Hz tone at -6 dBFS from 1 to 2 s and from 3 to 4 s, silence elsewhere" }
function dsp_ioconfig () return { { audio_in = -1, audio_out = -1 } } end
local rate = 48000
local pos = 0
function dsp_init (r) rate = r end
function dsp_run (ins, outs, n_samples)
  if not Session:transport_rolling() then
    for c = 1, #outs do ARDOUR.DSP.memset(outs[c], 0, n_samples) end
    return
  end
  pos = Session:transport_sample()
  for c = 1, #outs do
    local a = outs[c]:array()
    for s = 1, n_samples do
      local t = (pos + s - 1) / rate
      local on = (t >= 1 and t < 2) or (t >= 3 and t < 4)
      a[s] = on and 0.5 * math.sin(2 * math.pi * 200 * t) or 0
    end
  end
end
