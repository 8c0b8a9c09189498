#include "control/midi/VxMidiMapping.h"

#include "control/midi/VxJson.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>

namespace {

struct TBad : std::runtime_error {
    TBad(int line, const std::string& reason) : std::runtime_error(reason), Line(line) {}
    int Line;
};

struct TModeName {
    TVxMidiMode Mode;
    const char* Name;
};
constexpr TModeName kModes[] = {{TVxMidiMode::Button, "button"},
                                {TVxMidiMode::Absolute, "absolute"},
                                {TVxMidiMode::Absolute14, "14-bit"},
                                {TVxMidiMode::Relative, "relative"}};

struct TEncodingName {
    TVxMidiRelative Encoding;
    const char* Name;
};
constexpr TEncodingName kEncodings[] = {{TVxMidiRelative::TwosComplement, "twos-complement"},
                                        {TVxMidiRelative::Offset64, "offset-64"}};

int Integer(const TVxJson& value, const char* name, int low, int high) {
    if (value.Type != TVxJson::Number || value.Num != std::floor(value.Num) || value.Num < low ||
        value.Num > high)
        throw TBad(value.Line, std::string("\"") + name + "\" must be a whole number from " +
                                   std::to_string(low) + " to " + std::to_string(high));
    return static_cast<int>(value.Num);
}

const std::string& Text(const TVxJson& value, const char* name) {
    if (value.Type != TVxJson::String || value.Text.empty())
        throw TBad(value.Line, std::string("\"") + name + "\" must be a text");
    return value.Text;
}

bool Flag(const TVxJson& value, const char* name) {
    if (value.Type != TVxJson::Bool)
        throw TBad(value.Line, std::string("\"") + name + "\" must be true or false");
    return value.Boolean;
}

// The message part shared by bindings and lights: "note", "cc" or
// "pitch-bend", and "channel" (1 to 16, default 1).
template <typename T> bool MessageField(T& target, const std::string& key, const TVxJson& value) {
    if (key == "note") {
        target.Kind = TVxMidiKind::Note;
        target.Number = static_cast<std::uint8_t>(Integer(value, "note", 0, 127));
    } else if (key == "cc") {
        target.Kind = TVxMidiKind::Control;
        target.Number = static_cast<std::uint8_t>(Integer(value, "cc", 0, 127));
    } else if (key == "pitch-bend") {
        if (!Flag(value, "pitch-bend"))
            throw TBad(value.Line, "\"pitch-bend\" can only be true");
        target.Kind = TVxMidiKind::PitchBend;
        target.Number = 0;
    } else if (key == "channel") {
        target.Channel = static_cast<std::uint8_t>(Integer(value, "channel", 1, 16) - 1);
    } else {
        return false;
    }
    return true;
}

void RequireMessage(const TVxJson& entry) {
    if (!entry.Find("note") && !entry.Find("cc") && !entry.Find("pitch-bend"))
        throw TBad(entry.Line, "gives no \"note\", \"cc\" or \"pitch-bend\"");
}

template <typename TName, std::size_t N>
auto Named(const TName (&names)[N], const TVxJson& value, const char* field) {
    const std::string& text = Text(value, field);
    for (const TName& name : names)
        if (text == name.Name)
            return name;
    std::string known;
    for (const TName& name : names)
        known += std::string(known.empty() ? "" : ", ") + name.Name;
    throw TBad(value.Line, "\"" + text + "\" is not a " + field + " (" + known + ")");
}

void BindingField(TVxMidiBinding& binding, const std::string& key, const TVxJson& value) {
    if (MessageField(binding, key, value))
        return;
    if (key == "action")
        binding.Action = Text(value, "action");
    else if (key == "mode")
        binding.Mode = Named(kModes, value, "mode").Mode;
    else if (key == "encoding")
        binding.Encoding = Named(kEncodings, value, "encoding").Encoding;
    else if (key == "invert")
        binding.Invert = Flag(value, "invert");
    else if (key == "soft-takeover")
        binding.SoftTakeover = Flag(value, "soft-takeover");
    else if (key == "shift")
        binding.Shift = Flag(value, "shift");
    else if (key == "ticks-per-turn")
        binding.TicksPerTurn = Integer(value, "ticks-per-turn", 1, 100000);
    else
        throw TBad(value.Line, "a binding has no setting \"" + key + "\"");
}

TVxMidiBinding Binding(const TVxJson& entry) {
    if (entry.Type != TVxJson::Object)
        throw TBad(entry.Line, "a binding must be an object { ... }");
    RequireMessage(entry);
    TVxMidiBinding binding;
    binding.Line = entry.Line;
    // A controller's default mode: notes hold, pitch bends are fine faders.
    const TVxJson* mode = entry.Find("mode");
    if (entry.Find("cc"))
        binding.Mode = TVxMidiMode::Absolute;
    if (entry.Find("pitch-bend"))
        binding.Mode = TVxMidiMode::Absolute14;
    for (const auto& [key, value] : entry.Members)
        BindingField(binding, key, value);
    if (binding.Action.empty())
        throw TBad(entry.Line, "a binding gives no \"action\"");
    if (binding.Kind == TVxMidiKind::Note && binding.Mode != TVxMidiMode::Button)
        throw TBad(mode->Line, "a note can only be a button");
    if (binding.Kind == TVxMidiKind::PitchBend && binding.Mode != TVxMidiMode::Absolute14)
        throw TBad(mode->Line, "a pitch bend is always \"14-bit\"");
    if (binding.Mode == TVxMidiMode::Absolute14 && binding.Kind == TVxMidiKind::Control &&
        binding.Number >= 32)
        throw TBad(entry.Line, "a 14-bit controller must be 0 to 31 (its fine part is 32 more)");
    return binding;
}

TVxMidiLight Light(const TVxJson& entry) {
    if (entry.Type != TVxJson::Object)
        throw TBad(entry.Line, "a light must be an object { ... }");
    RequireMessage(entry);
    TVxMidiLight light;
    for (const auto& [key, value] : entry.Members) {
        if (MessageField(light, key, value))
            continue;
        if (key == "state") {
            light.State = Text(value, "state");
            if (light.State != "playing" && light.State != "cue" && light.State != "beat")
                throw TBad(value.Line,
                           "\"" + light.State + "\" is not a state (playing, cue, beat)");
        } else if (key == "on" || key == "off") {
            (key == "on" ? light.On : light.Off) =
                static_cast<std::uint8_t>(Integer(value, key == "on" ? "on" : "off", 0, 127));
        } else {
            throw TBad(value.Line, "a light has no setting \"" + key + "\"");
        }
    }
    if (light.State.empty())
        throw TBad(entry.Line, "a light gives no \"state\"");
    return light;
}

const TVxJson& ListOf(const TVxJson& value, const char* name) {
    if (value.Type != TVxJson::Array)
        throw TBad(value.Line, std::string("\"") + name + "\" must be a list [ ... ]");
    return value;
}

void Document(const TVxJson& root, TVxMidiMapping& mapping) {
    if (root.Type != TVxJson::Object)
        throw TBad(root.Line, "a mapping must be an object { ... }");
    const TVxJson* version = root.Find("version");
    if (version == nullptr)
        throw TBad(root.Line, "the mapping gives no \"version\"");
    if (Integer(*version, "version", 1, 1000000) > TVxMidiMapping::kVersion)
        throw TBad(version->Line, "the mapping is written for a newer version of the player");
    for (const auto& [key, value] : root.Members) {
        if (key == "version")
            continue;
        if (key == "device")
            mapping.Device = Text(value, "device");
        else if (key == "deck")
            mapping.Deck = Integer(value, "deck", 1, 4);
        else if (key == "bindings")
            for (const TVxJson& entry : ListOf(value, "bindings").Items)
                mapping.Bindings.push_back(Binding(entry));
        else if (key == "lights")
            for (const TVxJson& entry : ListOf(value, "lights").Items)
                mapping.Lights.push_back(Light(entry));
        else
            throw TBad(value.Line, "a mapping has no setting \"" + key + "\"");
    }
    if (mapping.Device.empty())
        throw TBad(root.Line, "the mapping gives no \"device\"");
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string MessageText(TVxMidiKind kind, int channel, int number) {
    std::string out = kind == TVxMidiKind::Note      ? "\"note\": " + std::to_string(number)
                      : kind == TVxMidiKind::Control ? "\"cc\": " + std::to_string(number)
                                                     : std::string("\"pitch-bend\": true");
    return out + ", \"channel\": " + std::to_string(channel + 1);
}

std::string BindingText(const TVxMidiBinding& binding) {
    std::string out = "{" + MessageText(binding.Kind, binding.Channel, binding.Number) +
                      ", \"action\": " + VxJsonQuote(binding.Action);
    for (const TModeName& mode : kModes)
        if (mode.Mode == binding.Mode)
            out += std::string(", \"mode\": \"") + mode.Name + "\"";
    if (binding.Mode == TVxMidiMode::Relative)
        for (const TEncodingName& encoding : kEncodings)
            if (encoding.Encoding == binding.Encoding)
                out += std::string(", \"encoding\": \"") + encoding.Name + "\"";
    if (binding.TicksPerTurn > 0)
        out += ", \"ticks-per-turn\": " + std::to_string(binding.TicksPerTurn);
    if (binding.Invert)
        out += ", \"invert\": true";
    if (binding.SoftTakeover)
        out += ", \"soft-takeover\": true";
    if (binding.Shift)
        out += ", \"shift\": true";
    return out + "}";
}

std::string LightText(const TVxMidiLight& light) {
    return "{" + MessageText(light.Kind, light.Channel, light.Number) +
           ", \"state\": " + VxJsonQuote(light.State) + ", \"on\": " + std::to_string(light.On) +
           ", \"off\": " + std::to_string(light.Off) + "}";
}

template <typename T, typename F>
std::string List(const char* name, const std::vector<T>& items, F text) {
    std::string out = std::string("  \"") + name + "\": [";
    for (std::size_t i = 0; i < items.size(); ++i)
        out += (i == 0 ? "\n    " : ",\n    ") + text(items[i]);
    return out + (items.empty() ? "]" : "\n  ]");
}

} // namespace

int VxRelativeSteps(TVxMidiRelative encoding, int value) {
    if (encoding == TVxMidiRelative::Offset64)
        return value - 64;
    return value < 64 ? value : value - 128;
}

bool TVxMidiMapping::MatchesPort(std::string_view portName) const {
    return !Device.empty() && Lower(portName).find(Lower(Device)) != std::string::npos;
}

void TVxMidiMapping::Learn(const TVxMidiBinding& binding) {
    std::erase_if(Bindings, [&](const TVxMidiBinding& old) { return old.SameControl(binding); });
    Bindings.push_back(binding);
}

bool VxParseMidiMapping(std::string_view text, const std::string& fileName, TVxMidiMapping& mapping,
                        std::string& error) {
    mapping = TVxMidiMapping{};
    mapping.File = fileName;
    TVxJson root;
    TVxJsonError jsonError;
    if (!VxParseJson(text, root, jsonError)) {
        error = fileName + ":" + std::to_string(jsonError.Line) + ": " + jsonError.Reason;
        return false;
    }
    try {
        Document(root, mapping);
        return true;
    } catch (const TBad& bad) {
        error = fileName + ":" + std::to_string(bad.Line) + ": " + bad.what();
        return false;
    }
}

std::string VxWriteMidiMapping(const TVxMidiMapping& mapping) {
    return "{\n  \"version\": " + std::to_string(TVxMidiMapping::kVersion) +
           ",\n  \"device\": " + VxJsonQuote(mapping.Device) + ",\n" +
           (mapping.Deck > 0 ? "  \"deck\": " + std::to_string(mapping.Deck) + ",\n" : "") +
           List("bindings", mapping.Bindings, BindingText) + ",\n" +
           List("lights", mapping.Lights, LightText) + "\n}\n";
}
