// Writes the page's names for the engine's controls (web/src/control-ids.ts) from the control
// table, so that the TypeScript interface numbers them as the engine does:
//   quellmar_web_control_ids OUT.ts          writes the file
//   quellmar_web_control_ids --check FILE    exit 1 when FILE is not what the table gives
// A name is the control's symbol in CamelCase with its unit (attack, ms: AttackMs).

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/ControlTable.h"

namespace {

std::string typeScriptName(const qm::ControlInfo& info) {
    std::string name;
    bool upper = true;
    for (const char* c = info.symbol; *c != '\0'; ++c) {
        if (*c == '_') {
            upper = true;
            continue;
        }
        name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
        upper = false;
    }
    if (std::strcmp(info.unit, "ms") == 0) name += "Ms";
    if (std::strcmp(info.unit, "dB") == 0) name += "Db";
    return name;
}

std::string valuesText(const qm::ControlInfo& info) {
    char text[96];
    switch (info.kind) {
        case qm::ControlKind::Toggle:
            return "0 off, 1 on";
        case qm::ControlKind::Choice: {
            std::string choices;
            for (int value = static_cast<int>(info.minimum); value <= static_cast<int>(info.maximum); ++value) {
                choices += (choices.empty() ? "" : ", ") + std::to_string(value) + " " +
                           info.choices[value - static_cast<int>(info.minimum)];
            }
            return choices;
        }
        case qm::ControlKind::Continuous:
            break;
    }
    std::snprintf(text, sizeof text, "%g to %g %s", info.minimum, info.maximum, info.unit);
    return text;
}

std::string controlIdsText() {
    std::string text =
        "// Written by tools/web/ControlIdsTs.cpp from the engine's control table; do not edit.\n"
        "// The controls in the engine's order; values in the units a user reads.\n"
        "export enum ControlId {\n";
    for (std::int32_t id = 0; id < qm::kControlCount; ++id) {
        const qm::ControlInfo& info = qm::controlInfo(static_cast<qm::ControlId>(id));
        text += "  " + typeScriptName(info) + " = " + std::to_string(id) + ", // " + valuesText(info) + "\n";
    }
    return text + "}\n";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string text = controlIdsText();
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0) {
        std::ifstream file(argv[2], std::ios::binary);
        const std::string kept((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (kept == text) return 0;
        std::fprintf(stderr, "%s is not what the control table gives; write it again with:\n  %s %s\n", argv[2],
                     argv[0], argv[2]);
        return 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: quellmar_web_control_ids OUT.ts | --check FILE\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) return 1;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fclose(out) == 0 && written ? 0 : 1;
}
