// Writes quellmar-duck's manual page at build time: the page as written, with the control options'
// entries (from the same table as the parser and --help) where the page marks them, so that a
// control's option is described in one place.
//
// Usage: quellmar_manual_page PAGE OUTPUT

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "cli/options/ControlOptions.h"

namespace {

// The option's entry: the tag line with its name and value, then its text.
std::string entryOf(const qmduck::ControlOption& option) {
    return ".TP\n.BI " + qmduck::roffText(option.name) + " \" " + option.valueName + "\"\n" +
           qmduck::withRange(option, option.manual, true) + "\n";
}

std::string entriesOf(qmduck::ControlGroup group) {
    std::string entries;
    for (const qmduck::ControlOption& option : qmduck::controlOptions()) {
        if (option.group == group) entries += entryOf(option);
    }
    return entries;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: quellmar_manual_page PAGE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << argv[1] << ": cannot read\n";
        return 1;
    }
    std::ostringstream page;
    int marks = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(".\\\" {settings}")) {
            page << entriesOf(qmduck::ControlGroup::Settings);
            ++marks;
        } else if (line.starts_with(".\\\" {shaping}")) {
            page << entriesOf(qmduck::ControlGroup::Shaping);
            ++marks;
        } else {
            page << line << '\n';
        }
    }
    if (marks != 2) {
        std::cerr << argv[1] << ": the marks for the control options are missing\n";
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out << page.str();
    if (!out.flush()) {
        std::cerr << argv[2] << ": cannot write\n";
        return 1;
    }
    return 0;
}
