// The cover in FLAC output: a picture block added after libsndfile's metadata blocks, with the
// audio frames and libsndfile's own tags unchanged, and a stream that is not FLAC refused.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "cli/SoundFixtures.h"
#include "cli/ToolRun.h"
#include "cli/writing/FfmpegEncoder.h"
#include "cli/writing/FlacCover.h"
#include "cli/writing/PictureBlock.h"

namespace qmduck::test {
namespace {

using FlacCovers = SoundFolder;

// What ffprobe sees of a file's attached picture: its codec and size, or empty.
std::string attachedPictureOf(const std::string& path) {
    std::string picture = commandOutput("ffprobe -v error -select_streams v -show_entries "
                                        "stream=codec_name,width,height:stream_disposition=attached_pic "
                                        "-of csv=p=0 '" + path + "'");
    while (!picture.empty() && picture.back() == '\n') picture.pop_back();
    return picture;
}

TEST_F(FlacCovers, FlacOutputCarriesTheCoverWithTheSameSamplesAndTags) {
    const std::string dir = folder.string();
    put("bed.wav", makeSignal(1.0, 2, false));
    put("key.wav", makeSignal(1.0, 1, true));
    ASSERT_EQ(runShell(dir, "ffmpeg -nostdin -v error -f lavfi -i color=red:s=40x30:d=1 -frames:v 1 bed.png").status, 0);
    ASSERT_EQ(runShell(dir, "ffmpeg -nostdin -v error -f lavfi -i color=blue:s=64x64:d=1 -frames:v 1 show.jpg").status, 0);
    ASSERT_EQ(runShell(dir, "ffmpeg -nostdin -v error -i bed.wav -i bed.png -map 0:a -map 1 -c:v copy "
                            "-disposition:v attached_pic -sample_fmt s16 -metadata title=Song -metadata artist=Band "
                            "in.flac").status, 0);
    struct Case {
        const char* arguments;
        const char* output;
        const char* picture;  // codec,width,height,attached_pic; empty: none
    } cases[] = {
        {"--key key.wav in.flac -o a.flac", "a.flac", "png,40,30,1"},
        {"--key key.wav in.flac -o b.flac --cover show.jpg", "b.flac", "mjpeg,64,64,1"},
        {"--key key.wav in.flac -o c.flac --no-cover", "c.flac", ""},
        {"--key key.wav in.flac -o - --format flac > d.flac", "d.flac", "png,40,30,1"},
    };
    const Sound withoutCover = [&] {
        EXPECT_EQ(runTool(dir, "--key key.wav in.flac -o plain.flac --no-cover").status, 0);
        return readSound(path("plain.flac"));
    }();
    ASSERT_GT(withoutCover.frames(), 0);
    for (const Case& c : cases) {
        const ToolRun run = runTool(dir, c.arguments);
        ASSERT_EQ(run.status, 0) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.err.find("cover picture"), std::string::npos) << c.arguments << "\n" << run.err;
        EXPECT_EQ(attachedPictureOf(path(c.output)), c.picture) << c.arguments;
        const std::string tags = probeTags(path(c.output));
        EXPECT_NE(tags.find("title=song"), std::string::npos) << c.arguments << ": " << tags;
        EXPECT_NE(tags.find("artist=band"), std::string::npos) << c.arguments << ": " << tags;
        EXPECT_EQ(readSound(path(c.output)).samples, withoutCover.samples) << c.arguments;
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"a.flac", "b.flac", "bed.png", "bed.wav", "c.flac", "d.flac", "in.flac",
                                                 "key.wav", "plain.flac", "show.jpg"}));
}

TEST_F(FlacCovers, ACoverFlacCannotHoldIsLeftOutWithAMessage) {
    const Tags small{{}, std::string(100, 'x'), AV_CODEC_ID_PNG, 10, 10};
    Tags huge = small;
    huge.cover = std::string(kFlacBlockMaxBytes, 'x');
    Tags tiff = small;
    tiff.coverCodec = AV_CODEC_ID_TIFF;
    struct Case {
        const Tags* tags;
        int format;
        const char* message;  // empty: the cover goes in
    } cases[] = {
        {&small, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, ""},
        {&small, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, ""},
        {&huge, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "FLAC takes covers up to 16 MiB"},
        {&tiff, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "FLAC takes JPEG, PNG, BMP or GIF covers"},
        {&small, SF_FORMAT_WAV | SF_FORMAT_PCM_16, "carries no cover"},
    };
    for (const Case& c : cases) {
        const std::string note = coverLeftOut(EncodedType::None, *c.tags, c.format);
        EXPECT_EQ(note.empty(), std::string(c.message).empty()) << note;
        EXPECT_NE(note.find(c.message), std::string::npos) << note;
    }
}

TEST_F(FlacCovers, AStreamThatIsNotFlacIsRefusedNamingTheFile) {
    // A real FLAC file's metadata blocks, to be broken in the cases below.
    Sound sound = makeSignal(0.1, 1, false);
    sound.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    const std::string good = slurp(put("good.flac", sound));
    ASSERT_EQ(good.substr(0, 4), "fLaC");
    const std::string streamInfo = good.substr(4, 4 + 34);
    const std::string lastStreamInfo = std::string(1, '\x80') + streamInfo.substr(1);
    const std::string body = pictureBlockBody(Tags{{}, "picture", AV_CODEC_ID_PNG, 1, 1});
    struct Case {
        const char* label;
        std::string bytes;
        std::string pictureBody;
        const char* message;  // empty: the picture goes in
    } cases[] = {
        {"empty", "", body, "not a FLAC stream"},
        {"wave", "RIFF\x24\0\0\0WAVEfmt ", body, "not a FLAC stream"},
        {"marker only", "fLaC", body, "run past the end"},
        {"streaminfo cut short", "fLaC" + streamInfo.substr(0, 20), body, "run past the end"},
        {"block longer than the file", "fLaC" + streamInfo + std::string("\x84\x00\x10\x00", 4) + "tags", body,
         "run past the end"},
        {"first block not streaminfo", "fLaC" + std::string("\x84\x00\x00\x04", 4) + "tags", body, "not well formed"},
        {"garbage after the blocks", "fLaC" + lastStreamInfo + "garbage", body, "no audio frame follows"},
        {"picture too large", good, std::string(kFlacBlockMaxBytes + 1, 'x'), "larger than a metadata block"},
        {"libsndfile's file", good, body, ""},
        {"no audio frames", "fLaC" + lastStreamInfo, body, ""},
    };
    for (const Case& c : cases) {
        {
            std::ofstream file(path("in"), std::ios::binary | std::ios::trunc);
            file << c.bytes;
        }
        const int from = open(path("in").c_str(), O_RDONLY);
        const int to = open(path("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(from, 0);
        ASSERT_GE(to, 0);
        const std::string problem = insertFlacPicture(from, to, c.pictureBody, "episode.flac");
        close(from);
        close(to);
        if (std::string(c.message).empty()) {
            EXPECT_EQ(problem, "") << c.label;
            const std::string written = slurp(path("out"));
            ASSERT_EQ(written.size(), c.bytes.size() + 4 + body.size()) << c.label;
            // The picture block is the last, its predecessor no longer is, the frames follow.
            const std::size_t pictureAt = written.find(body) - 4;
            EXPECT_EQ(static_cast<unsigned char>(written[pictureAt]), 0x86u) << c.label;
            EXPECT_EQ(written.substr(pictureAt + 4 + body.size()), c.bytes.substr(pictureAt)) << c.label;
            EXPECT_EQ(static_cast<unsigned char>(written[4]) & 0x80u, 0u) << c.label;
        } else {
            EXPECT_NE(problem.find("episode.flac: "), std::string::npos) << c.label << ": " << problem;
            EXPECT_NE(problem.find(c.message), std::string::npos) << c.label << ": " << problem;
        }
    }
}

}  // namespace
}  // namespace qmduck::test
