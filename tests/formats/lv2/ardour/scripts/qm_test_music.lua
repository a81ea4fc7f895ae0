ardour { ["type"] = "dsp", name = "QM Test Music", category = "Utility", license = "MIT", author = "QuellmarV3 tests",
  description = "A steady chord of 220, 277 and 330 Hz at -20 dBFS each" }
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
      a[s] = 0.1 * (math.sin(2 * math.pi * 220 * t) + math.sin(2 * math.pi * 277 * t) + math.sin(2 * math.pi * 330 * t))
    end
  end
end
