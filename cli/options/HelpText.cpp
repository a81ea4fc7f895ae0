#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/options/ControlOptions.h"
#include "cli/options/DuckOptions.h"

namespace qmduck {
namespace {

// Where the text of an option starts, and the longest line.
constexpr std::size_t kTextColumn = 23;
constexpr std::size_t kLineWidth = 79;

// Whether `word` is a number, which stays on one line with the word after it ("1000 ms").
bool isNumber(std::string_view word) {
    const std::size_t digit = word.starts_with('-') ? 1 : 0;
    return word.size() > digit && word[digit] >= '0' && word[digit] <= '9';
}

// `text` cut into the pieces a line may break between: its words, a number with the word after it.
std::vector<std::string> piecesOf(const std::string& text) {
    std::vector<std::string> pieces;
    bool glue = false;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::string word = text.substr(at, end - at);
        if (glue) pieces.back() += " " + word;
        else pieces.push_back(word);
        glue = !glue && isNumber(word);
        at = end + 1;
    }
    return pieces;
}

// The control options of `group`, each as "  --attack MS" and its text wrapped beside it.
std::string controlOptionsHelp(ControlGroup group) {
    std::string lines;
    for (const ControlOption& option : controlOptions()) {
        if (option.group != group) continue;
        std::string line = std::string("  ") + option.name + " " + option.valueName;
        line.resize(kTextColumn, ' ');
        bool first = true;
        for (const std::string& piece : piecesOf(withRange(option, option.help, false))) {
            if (!first && line.size() + 1 + piece.size() > kLineWidth) {
                lines += line + "\n";
                line.assign(kTextColumn, ' ');
                first = true;
            }
            if (!first) line += ' ';
            line += piece;
            first = false;
        }
        lines += line + "\n";
    }
    return lines;
}

std::string composedHelp() {
    std::string text = R"(Usage: quellmar-duck --key KEY [--key KEY2 ...] [options] INPUT -o OUTPUT
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
{settings}
  --mode duck|key      duck: lower INPUT while the key is loud (default);
                       key: let INPUT through only while the key is loud
  --param N=V          a plug-in parameter by index with its own value V from
                       0 to 1: 1 bypass (1 = pass INPUT unchanged), 6 attack
                       (2000 V^2 ms), 7 release (1000 V^2 ms), 8 duck/key
                       (duck from 0.5 up), 9 threshold (-96 V dB). Times and
                       the threshold above are turned into these same values.

Shaping (the tool's own, off unless given):
{shaping}
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
    for (const auto& [mark, group] : {std::pair{std::string_view("{settings}\n"), ControlGroup::Settings},
                                      std::pair{std::string_view("{shaping}\n"), ControlGroup::Shaping}}) {
        text.replace(text.find(mark), mark.size(), controlOptionsHelp(group));
    }
    return text;
}

}  // namespace

const char* helpText() {
    static const std::string text = composedHelp();
    return text.c_str();
}

}  // namespace qmduck
