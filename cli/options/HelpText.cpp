#include "cli/options/DuckOptions.h"

namespace qmduck {

const char* helpText() {
    return R"(Usage: quellmar-duck --key KEY [--key KEY2 ...] [options] INPUT -o OUTPUT
       quellmar-duck --batch LIST.tsv [-j N] [--shard K/N] [options]

Lowers INPUT while the keys are loud (duck mode) or lets it through only then
(key mode), with the very engine of the QuellmarV3 plug-in, and writes OUTPUT.
Typical use: duck a music bed under speech, or make the whole episode.

  quellmar-duck --key voice.wav --threshold -30 --release 300 music.wav -o bed.wav
  quellmar-duck --key voice.wav --preset standard music.m4a -o bed.flac
  quellmar-duck --key voice.wav --preset podcast music.wav -o episode.mp3

Files:
  -k, --key FILE       a key: the signal whose level drives the gain. Up to 4;
                       several keys are summed as the plug-in sums the slots it
                       listens to. A key shorter than INPUT is silence after its
                       end; a longer one is cut.
  -o, --output FILE    the result; written under a temporary name in the same
                       folder and renamed when complete, so no partial file is
                       ever left. It may not be INPUT or a key.
  INPUT                the audio to duck. The output has its length, sample
                       rate and channel count (with --mix: see there).
  -                    as INPUT or a key: standard input (at most one of
                       them), kept whole in a temporary file first; as
                       OUTPUT: standard output (the type from --format).
  Inputs and keys are read with libsndfile (WAV, AIFF, FLAC, Ogg/Vorbis, Opus,
  MP3, CAF, W64, RF64, ...) or, for what it cannot read, with FFmpeg's
  libraries (AAC/M4A, ALAC, WMA, the first audio stream of MP4, MOV, MKV or
  WebM videos). Each is mono or stereo (a mono file goes to both sides; wider
  FFmpeg streams are mixed to stereo); a key at another sample rate is
  resampled to the input's.

Settings (the plug-in's defaults unless given; later ones win):
  --attack MS          how fast the gain falls when the key rises: 0 to 2000 ms
                       (default 78.9 ms; 0 is the plug-in's shortest, 2 ms)
  --release MS         how fast the gain recovers when the key falls: 0 to
                       1000 ms (default 39.4 ms; 0 is the shortest, 1 ms)
  --threshold DB       key level above which the gain falls, by as many dB as
                       the smoothed key exceeds it: -96 to 0 dB (default -48)
  --mode duck|key      duck: lower INPUT while the key is loud (default);
                       key: let INPUT through only while the key is loud
  --param N=V          a plug-in parameter by index with its own value V from
                       0 to 1: 1 bypass (1 = pass INPUT unchanged), 6 attack
                       (2000 V^2 ms), 7 release (1000 V^2 ms), 8 duck/key
                       (duck from 0.5 up), 9 threshold (-96 V dB). Times and
                       the threshold above are turned into these same values.

Shaping (the tool's own, off unless given):
  --range DB           the largest reduction: 0 to 96 dB (0 = no limit). A loud
                       key lowers INPUT by at most DB.
  --hold MS            after the key falls, hold its peak for 0 to 2000 ms
                       before the gain may recover: pauses shorter than MS do
                       not make the music swell.
  --lookahead MS       read the key 0 to 500 ms ahead, so the gain is already
                       falling when the voice starts; OUTPUT keeps INPUT's
                       timing and length.
  --preset NAME        gentle, standard or strong: range, hold, look-ahead,
                       attack, release and threshold for speech over music;
                       podcast: standard, plus --mix --loudness -16
                       --true-peak -1. Options after it override its values.
  --show-settings      print the settings in force and exit

The finished episode (off unless given):
  --mix                the output is the ducked INPUT plus the keys (each as
                       read, at its own time, mono to both sides); it lasts
                       as long as the longer of them
  --input-gain DB      level of the ducked INPUT before the sum: -60 to 24 dB
  --key-gain DB        level of the keys in the mix: -60 to 24 dB (with --mix)
  --loudness LUFS      brings the output to this integrated loudness (EBU R128,
                       measured over the whole file in a first pass, the
                       limiter's and the encoder's loss included): -70 to 0. -16 suits stereo podcasts, -14 some
                       streaming services, -23 broadcast. A quiet file is
                       raised by at most 30 dB; a silent one is left as is.
  --true-peak DBTP     true-peak ceiling of a look-ahead limiter (5 ms attack,
                       150 ms release): -9 to 0 dBTP; -1 with --loudness
  --bitrate KBPS       the encoder's bitrate: MP3 and M4A 128, Opus 96 unless
                       given (half for mono)
  --no-tags            do not copy title, artist, album and cover (from INPUT;
                       with --mix from the first key, never from the bed)
  --no-cover           do not copy the cover picture
  --tag NAME=VALUE     sets a tag (title, artist, album, date, comment, ...)
                       over what is copied; repeatable
  --cover FILE         a JPEG or PNG picture as the output's cover

Output:
  --format TYPE[:SAMPLE]  the output's file type and sample type. Without it
                       the type follows OUTPUT's name (out.flac is FLAC) or
                       else INPUT, and the sample type follows INPUT where the
                       type allows it (else 24-bit, or Vorbis for Ogg).
                       TYPE: mp3, m4a (AAC), opus (Ogg), webm (Opus), encoded
                       by FFmpeg; or wav, aiff, flac, ogg, caf, w64, rf64, au,
                       ... (any libsndfile writes); SAMPLE, for these: 8, 16,
                       24, 32, float, double, vorbis, ulaw, alaw. Examples:
                       mp3, flac, wav:float, :24
  --dither tpdf|none   integer samples of 16 bits or fewer get TPDF dither
                       (tpdf, the default) or are rounded (none); every
                       integer writer (WAV, FLAC, AIFF, ...) does the same
  --plot FILE.png      draws the key level, the threshold and the gain over
                       time (dB against minutes:seconds) as a PNG picture
  --gain-csv FILE      writes one line per 10 ms: time_s (end of the 10 ms),
                       gain_reduction_db (how far OUTPUT is lowered there, 0
                       or more), key_level_db (the keys' peak in those 10 ms)
Lists:
  --batch LIST.tsv     run every line of LIST: OUTPUT, INPUT, then one to four
                       keys, separated by tabs; '#' starts a comment. The other
                       options apply to every line. A line that fails is
                       reported with its number; the others still run. An
                       output that is an input or key of any line, or of two
                       lines, stops the list before anything runs.
  -j, --jobs N         run N lines at once (default: one per core)
  --shard K/N          run only lines K, K+N, K+2N, ... of the list (1 <= K <= N),
                       to split one list over machines

  --allow-empty        an INPUT without samples makes an empty OUTPUT (without
                       it: a message, exit 1 and nothing written)
  -q, --quiet          no progress bar (shown only on a terminal anyway) and no
                       line with the loudness reached; messages and progress
                       always go to standard error
  -h, --help           this text
      --version        the version
      --completion SHELL  prints the completion script for bash or zsh

Exit status: 0 done; 1 a file could not be read or written, or a line of a list
failed, or an INPUT has no samples (the message names the file or the line and
the reason; no partial output is left behind); 2 a wrong option or value.
Every result's destination is checked before anything is read: a folder, a
missing folder, one without write permission or a file the run reads is refused.
)";
}

}  // namespace qmduck
