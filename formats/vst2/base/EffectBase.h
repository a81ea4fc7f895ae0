#pragma once
// The effect base: the record handed to the host, the stream settings, the current program, the
// defaults of every request that opcodes 0..24 reach, and the first host-callback wrappers.

#include <atomic>
#include <cstdint>

#include "formats/vst2/base/EditorBase.h"
#include "formats/vst2/base/PluginInterface.h"

namespace qm {

class EffectBase {
public:
    // Fills the record (magic, entries, counts, default unique id) for `numPrograms` programs and
    // `numParams` parameters. UI thread.
    EffectBase(HostCallback hostCallback, std::int32_t numPrograms, std::int32_t numParams);
    // Destroys the editor, if any, or leaves it to delete itself when one of its calls is still running. UI thread.
    virtual ~EffectBase();
    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    // Parameter access; indices and values are the host's. Any thread.
    virtual void setParameter(std::int32_t index, float value);
    virtual float getParameter(std::int32_t index);
    // Sets the parameter, then reports it to the host as automation. UI thread.
    virtual void setParameterAutomated(std::int32_t index, float value);

    // Audio: `frames` stereo frames from `inputs` to `outputs`; process adds, processReplacing
    // overwrites. Audio thread.
    virtual void process(float** inputs, float** outputs, std::int32_t frames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, std::int32_t frames);

    // Decodes opcodes 0..24; answers 0 for every other opcode. Thread of the host's choice.
    virtual VstIntPtr dispatcher(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr, float opt);

    virtual void open();
    virtual void close();
    virtual std::int32_t getProgram();
    virtual void setProgram(std::int32_t program);
    // Program name texts: NUL-terminated, the host's buffer. UI thread.
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    // Parameter texts into the host's buffer (label and name 13 bytes, display 9 bytes).
    virtual void getParamLabel(std::int32_t index, char* text);
    virtual void getParamDisplay(std::int32_t index, char* text);
    virtual void getParamName(std::int32_t index, char* text);
    // Level for a host VU meter, 0..1.
    virtual float getVu();
    // Chunk data: answers the byte count stored at *data, or accepted from data.
    virtual std::int32_t getChunk(void** data, bool isPreset);
    virtual std::int32_t setChunk(void* data, std::int32_t byteSize, bool isPreset);
    // Stream settings: sample rate in Hz, block size in frames.
    virtual void setSampleRate(float sampleRateHz);
    virtual void setBlockSize(std::int32_t blockSizeFrames);
    virtual void suspend();
    virtual void resume();

    // Record setters used while an effect is constructed.
    virtual void setUniqueID(std::int32_t id);
    virtual void setNumInputs(std::int32_t inputs);
    virtual void setNumOutputs(std::int32_t outputs);
    virtual void setFlagHasVu(bool state);
    virtual void setFlagHasClip(bool state);
    virtual void setFlagCanMono(bool state);
    virtual void setFlagCanReplacing(bool state);
    virtual void setFlagProgramChunks(bool state);
    virtual void setRealQualities(std::int32_t qualities);
    virtual void setOffQualities(std::int32_t qualities);
    virtual void setInitialDelay(std::int32_t delayFrames);

    // Current stream settings; any thread.
    virtual float getSampleRate();
    virtual std::int32_t getBlockSize();

    // Host wrappers: answers as the host gives them (see each opcode).
    virtual std::int32_t hostVersion();
    virtual std::int32_t hostCurrentId();
    virtual void hostIdle();
    virtual bool isInputConnected(std::int32_t input);
    virtual bool isOutputConnected(std::int32_t output);

    // Eight-character display texts into the host's buffer (at least 9 bytes).
    virtual void formatDecibels(float linearGain, char* text);
    virtual void formatHertz(float periodSamples, char* text);
    virtual void formatMilliseconds(float durationSamples, char* text);
    virtual void formatFloat(float value, char* text);
    virtual void formatInteger(std::int32_t value, char* text);

    // The record that the host holds; it lives inside this object.
    PluginRecord* getRecord() { return &record; }
    // The effect object that owns `record`.
    static EffectBase* fromRecord(PluginRecord* record) { return static_cast<EffectBase*>(record->object); }
    // The attached editor, or null; UI thread.
    EditorBase* getEditorObject() const { return editor; }
    // Called by an editor that attaches itself to this effect: stores it and sets the editor flag.
    void attachEditor(EditorBase* newEditor);

protected:
    VstIntPtr callHost(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr, float opt);
    void setFlag(std::int32_t flag, bool state);

    std::atomic<float> sampleRate{44100.0f};
    EditorBase* editor = nullptr;
    HostCallback hostCallback;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::int32_t curProgram = 0;
    std::atomic<std::int32_t> blockSize{1024};
    PluginRecord record;
};

}  // namespace qm
