// Tags and covers: the music's own carried through plain ducking into every encoded type, the
// voice's (never the bed's) on a finished episode, and those set with --tag and --cover.

#include <gtest/gtest.h>

#include "cli/SoundFixtures.h"
#include "cli/ToolRun.h"

namespace qmduck::test {
namespace {

using CoversAndTags = SoundFolder;

// Makes `name` from `source` with `cover` attached and the tags given as ffmpeg -metadata words.
bool makeTagged(const std::string& folder, const std::string& name, const std::string& source,
                const std::string& cover, const std::string& metadata) {
    const std::string picture = cover.empty() ? "" : " -i " + cover + " -map 0:a -map 1 -c:v copy -disposition:v attached_pic";
    return runShell(folder, "ffmpeg -nostdin -v error -y -i " + source + picture + " " + metadata + " " + name).status == 0;
}

// What ffprobe sees of a file's picture: its codec and size, or empty.
std::string pictureOf(const std::string& path) {
    std::string picture = commandOutput("ffprobe -v error -select_streams v -show_entries stream=codec_name,width,height "
                                        "-of csv=p=0 '" + path + "'");
    while (!picture.empty() && picture.back() == '\n') picture.pop_back();
    return picture;
}

TEST_F(CoversAndTags, PlainDuckingCarriesTheMusicsTagsAndCoverIntoEveryEncodedType) {
    const std::string dir = folder.string();
    put("bed.wav", makeSignal(2.0, 2, false));
    put("key.wav", makeSignal(2.0, 1, true));
    ASSERT_EQ(runShell(dir, "ffmpeg -nostdin -v error -f lavfi -i color=red:s=40x30:d=1 -frames:v 1 cover.png").status, 0);
    ASSERT_EQ(runShell(dir, "ffmpeg -nostdin -v error -f lavfi -i color=blue:s=40x30:d=1 -frames:v 1 cover.jpg").status, 0);
    struct Input {
        const char* name;
        const char* cover;
    } inputs[] = {{"in.mp3", "cover.jpg"}, {"in.m4a", "cover.png"}, {"in.flac", "cover.png"}};
    for (const Input& in : inputs) {
        ASSERT_TRUE(makeTagged(dir, in.name, "bed.wav", in.cover, "-metadata title=Song -metadata artist=Band"));
        const std::string wanted = std::string(in.cover) == "cover.jpg" ? "mjpeg,40,30" : "png,40,30";
        for (const char* output : {"out.mp3", "out.m4a", "out.opus", "out.webm"}) {
            const ToolRun run = runTool(dir, std::string("--key key.wav --true-peak -1 ") + in.name + " -o " + output);
            ASSERT_EQ(run.status, 0) << in.name << " to " << output << "\n" << run.err;
            const std::string tags = probeTags(path(output));
            EXPECT_NE(tags.find("title=song"), std::string::npos) << in.name << " to " << output << ": " << tags;
            EXPECT_NE(tags.find("artist=band"), std::string::npos) << in.name << " to " << output << ": " << tags;
            if (std::string(output) == "out.webm") {
                EXPECT_NE(run.err.find("the cover picture"), std::string::npos) << run.err;
                EXPECT_EQ(pictureOf(path(output)), "");
            } else {
                EXPECT_EQ(pictureOf(path(output)), wanted) << in.name << " to " << output;
            }
        }
    }
    ASSERT_EQ(runTool(dir, "--key key.wav --no-cover in.mp3 -o nocover.mp3").status, 0);
    EXPECT_EQ(pictureOf(path("nocover.mp3")), "");
    EXPECT_NE(probeTags(path("nocover.mp3")).find("title=song"), std::string::npos);
}

TEST_F(CoversAndTags, AnEpisodeTakesTheVoicesTagsThenTagAndCoverNeverTheBeds) {
    const std::string dir = folder.string();
    put("bed.wav", makeSignal(2.0, 2, false));
    put("voice.wav", makeSignal(2.0, 1, true));
    ASSERT_EQ(runShell(dir, "ffmpeg -nostdin -v error -f lavfi -i color=red:s=40x30:d=1 -frames:v 1 bed.png").status, 0);
    ASSERT_EQ(runShell(dir, "ffmpeg -nostdin -v error -f lavfi -i color=blue:s=64x64:d=1 -frames:v 1 show.jpg").status, 0);
    ASSERT_TRUE(makeTagged(dir, "bed.mp3", "bed.wav", "bed.png", "-metadata title=Song -metadata album=Hits"));
    ASSERT_TRUE(makeTagged(dir, "voice.flac", "voice.wav", "", "-metadata title=Interview -metadata artist=Host"));
    struct Case {
        const char* arguments;
        const char* present;
        const char* absent;
        const char* picture;
    } cases[] = {
        {"--key voice.flac --mix bed.mp3 -o a.mp3", "title=interview|artist=host", "album=hits", ""},
        {"--key voice.flac --mix bed.mp3 -o b.m4a --tag title='Episode 7' --tag date=2026 --cover show.jpg",
         "title=episode 7|artist=host|date=2026", "song", "mjpeg,64,64"},
        {"--key voice.flac --mix bed.mp3 -o c.opus --cover show.jpg --no-tags --tag comment=x", "comment=x",
         "interview", "mjpeg,64,64"},
        // --no-tags and --no-cover drop what is copied; --tag and --cover always apply.
        {"--key voice.flac --mix bed.mp3 -o d.mp3 --no-cover --cover show.jpg", "title=interview", "song", "mjpeg,64,64"},
    };
    for (const Case& c : cases) {
        const ToolRun run = runTool(dir, c.arguments);
        ASSERT_EQ(run.status, 0) << c.arguments << "\n" << run.err;
        std::string out = std::string(c.arguments).substr(std::string(c.arguments).find("-o ") + 3);
        out = path(out.substr(0, out.find(' ')));
        const std::string tags = probeTags(out);
        std::stringstream wanted(c.present);
        for (std::string tag; std::getline(wanted, tag, '|');) {
            EXPECT_NE(tags.find(tag), std::string::npos) << c.arguments << ": " << tags;
        }
        EXPECT_EQ(tags.find(c.absent), std::string::npos) << c.arguments << ": " << tags;
        EXPECT_EQ(pictureOf(out), c.picture) << c.arguments;
    }
    const ToolRun bad = runTool(dir, "--key voice.flac --mix bed.mp3 -o e.mp3 --cover voice.wav");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("voice.wav: not a picture"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace qmduck::test
