// QuellmarV3.ttl: the plug-in's description with every port from the port and control tables,
// its port groups, and its editor.

#include <sstream>

#include "engine/ControlOutputs.h"
#include "engine/ControlTable.h"
#include "formats/lv2/PluginUris.h"
#include "formats/lv2/Ports.h"
#include "formats/lv2/ttl/BundleFiles.h"
#include "formats/lv2/ttl/Turtle.h"

namespace qm::lv2::ttl {
namespace {

const std::string kPlugin = uri(kPluginUri);
const std::string kMainIn = uri(std::string(kPluginUri) + "#in");
const std::string kMainOut = uri(std::string(kPluginUri) + "#out");
const std::string kSideIn = uri(std::string(kPluginUri) + "#sidechain");

void writeGroups(std::ostream& out) {
    out << kMainIn << "\n    a pg:StereoGroup, pg:InputGroup ;\n    lv2:name \"In\" ;\n    lv2:symbol \"in\" .\n\n";
    out << kMainOut << "\n    a pg:StereoGroup, pg:OutputGroup ;\n    lv2:name \"Out\" ;\n    lv2:symbol \"out\" ;\n"
        << "    pg:source " << kMainIn << " .\n\n";
    out << kSideIn << "\n    a pg:StereoGroup, pg:InputGroup ;\n    lv2:name \"Side-chain\" ;\n"
        << "    lv2:symbol \"sidechain\" ;\n    pg:sideChainOf " << kMainIn << " .\n\n";
}

void writeAudioPort(std::ostream& out, std::uint32_t index) {
    const AudioPortInfo& port = kAudioPorts[index];
    const std::string& group = port.sideChain ? kSideIn : port.input ? kMainIn : kMainOut;
    out << "[\n        a lv2:" << (port.input ? "InputPort" : "OutputPort") << ", lv2:AudioPort ;\n"
        << "        lv2:index " << index << " ;\n        lv2:symbol " << quoted(port.symbol) << " ;\n"
        << "        lv2:name " << quoted(port.name) << " ;\n        pg:group " << group << " ;\n"
        << "        lv2:designation pg:" << (index % 2 == 0 ? "left" : "right");
    if (port.sideChain) out << " ;\n        lv2:portProperty lv2:isSideChain, lv2:connectionOptional";
    out << "\n    ]";
}

void writeScalePoints(std::ostream& out, const char* const* names, int first, int count) {
    out << " ;\n        lv2:scalePoint ";
    for (int i = 0; i < count; ++i) {
        out << (i > 0 ? ", " : "") << "[ rdfs:label " << quoted(names[i]) << " ; rdf:value " << first + i << " ]";
    }
}

void writeControlPort(std::ostream& out, ControlId id) {
    const ControlInfo& control = controlInfo(id);
    out << "[\n        a lv2:InputPort, lv2:ControlPort ;\n        lv2:index " << portOfControl(id) << " ;\n"
        << "        lv2:symbol " << quoted(control.symbol) << " ;\n        lv2:name " << quoted(control.name) << " ;\n"
        << "        rdfs:comment " << quoted(control.comment) << " ;\n"
        << "        lv2:default " << number(control.defaultValue) << " ;\n"
        << "        lv2:minimum " << number(control.minimum) << " ;\n"
        << "        lv2:maximum " << number(control.maximum);
    if (id == ControlEnabled) out << " ;\n        lv2:designation lv2:enabled";
    if (control.kind == ControlKind::Toggle) out << " ;\n        lv2:portProperty lv2:toggled, lv2:integer";
    if (control.kind == ControlKind::Choice) {
        out << " ;\n        lv2:portProperty lv2:integer, lv2:enumeration";
        writeScalePoints(out, control.choices, static_cast<int>(control.minimum),
                         static_cast<int>(control.maximum - control.minimum) + 1);
    }
    const std::string unit = control.unit;
    if (unit == "ms") out << " ;\n        units:unit units:ms";
    if (unit == "dB") out << " ;\n        units:unit units:db";
    out << "\n    ]";
}

void writeOutputPort(std::ostream& out, OutputId id, std::uint32_t port) {
    const OutputInfo& output = outputInfo(id);
    out << "[\n        a lv2:OutputPort, lv2:ControlPort ;\n        lv2:index " << port << " ;\n"
        << "        lv2:symbol " << quoted(output.symbol) << " ;\n        lv2:name " << quoted(output.name) << " ;\n"
        << "        rdfs:comment " << quoted(output.comment) << " ;\n"
        << "        lv2:minimum " << number(output.minimum) << " ;\n        lv2:maximum " << number(output.maximum);
}

void writeOutputPorts(std::ostream& out) {
    const OutputInfo& slot = outputInfo(OutputSlot);
    writeOutputPort(out, OutputSlot, PortSlot);
    out << " ;\n        lv2:portProperty lv2:integer, lv2:enumeration";
    writeScalePoints(out, slot.choices, static_cast<int>(slot.minimum),
                     static_cast<int>(slot.maximum - slot.minimum) + 1);
    out << "\n    ], ";
    writeOutputPort(out, OutputMeter, PortMeter);
    out << "\n    ], ";
    writeOutputPort(out, OutputLatency, PortLatency);
    out << " ;\n        lv2:designation lv2:latency ;\n"
        << "        lv2:portProperty lv2:reportsLatency, lv2:integer, pprops:notOnGUI\n    ]";
}

void writeUi(std::ostream& out) {
    out << uri(kUiUri) << "\n    a ui:X11UI ;\n    lv2:requiredFeature ui:idleInterface, ui:parent ;\n"
        << "    lv2:optionalFeature ui:resize, ui:touch, ui:noUserResize ;\n"
        << "    lv2:extensionData ui:idleInterface ;\n    ui:portNotification [\n"
        << "        ui:plugin " << kPlugin << " ;\n        lv2:symbol \"slot\" ;\n"
        << "        ui:notifyType ui:floatProtocol\n    ], [\n        ui:plugin " << kPlugin << " ;\n"
        << "        lv2:symbol \"meter\" ;\n        ui:notifyType ui:floatProtocol\n    ] .\n";
}

}  // namespace

std::string pluginText(int major, int minor) {
    std::ostringstream out;
    out << kPrefixes;
    writeGroups(out);
    out << kPlugin << "\n    a lv2:Plugin, lv2:DynamicsPlugin, doap:Project ;\n"
        << "    doap:name \"QuellmarV3\" ;\n    doap:license <https://spdx.org/licenses/MIT> ;\n"
        << "    doap:maintainer [\n        foaf:name \"Quellmar V3\" ;\n"
        << "        foaf:mbox <mailto:quellmarv3@example.org>\n    ] ;\n"
        << "    rdfs:comment \"A ducker and keyer: lowers its audio while the key is loud (duck) or lets it "
           "through only then (key). The key is the side-chain input plus the key bus slots it listens to; "
           "every instance publishes its own input on a slot of the key bus that up to four instances share, "
           "VST 2 instances and other processes of the user included.\" ;\n"
        // Hosts keep the bundle with the highest version, and take even minor versions as releases:
        // 3.0 is 300, 3.1 is 302, 4.0 is 400.
        << "    lv2:minorVersion " << 100 * major + 2 * minor << " ;\n    lv2:microVersion 0 ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable, opts:options, urid:map ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength, bufsz:nominalBlockLength ;\n"
        << "    pg:mainInput " << kMainIn << " ;\n    pg:mainOutput " << kMainOut << " ;\n"
        << "    ui:ui " << uri(kUiUri) << " ;\n    lv2:port ";
    for (std::uint32_t index = 0; index < PortFirstControl; ++index) {
        writeAudioPort(out, index);
        out << ", ";
    }
    for (std::int32_t id = 0; id < kControlCount; ++id) {
        writeControlPort(out, static_cast<ControlId>(id));
        out << ", ";
    }
    writeOutputPorts(out);
    out << " .\n\n";
    writeUi(out);
    return out.str();
}

}  // namespace qm::lv2::ttl
