#pragma once
// Small pieces of Turtle text for the bundle's description files: numbers that read back as the
// same float, quoted strings, and the prefixes the files use. Build-time only.

#include <cmath>
#include <cstdio>
#include <string>

namespace qm::lv2::ttl {

// `value` as a Turtle number that reads back as the same float: an integer when it is whole,
// else a decimal with enough digits.
inline std::string number(double value) {
    char text[64];
    if (std::isfinite(value) && value == std::nearbyint(value) && std::fabs(value) < 1e9) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else {
        std::snprintf(text, sizeof text, "%.9g", value);
        const std::string written = text;
        if (written.find_first_of(".e") == std::string::npos) return written + ".0";
    }
    return text;
}

// `value` as a Turtle decimal that reads back as the same float, with a point even when it is
// whole: hosts that read preset values as floats only (lv2file) skip integers.
inline std::string decimal(double value) {
    const std::string written = number(value);
    return written.find_first_of(".e") == std::string::npos ? written + ".0" : written;
}

// `text` as a quoted Turtle string.
inline std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// An absolute URI in angle brackets.
inline std::string uri(const std::string& name) { return "<" + name + ">"; }

// The prefixes of every file; unused ones are harmless.
constexpr const char* kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

}  // namespace qm::lv2::ttl
