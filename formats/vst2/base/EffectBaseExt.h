#pragma once
// The extended effect layer: decodes opcodes 25..76 and hands everything else to EffectBase,
// keeps the defaults of every request those opcodes reach, and wraps every further host request.

#include <cstdint>

#include "formats/vst2/base/EffectBase.h"

namespace qm {

class EffectBaseExt : public EffectBase {
public:
    EffectBaseExt(HostCallback hostCallback, std::int32_t numPrograms, std::int32_t numParams);

    // Decodes opcodes 25..76 here and passes every other opcode to EffectBase.
    VstIntPtr dispatcher(std::int32_t opcode, std::int32_t index, VstIntPtr value, void* ptr, float opt) override;

    virtual EditorBase* getEditor();
    virtual void hostWantMidi(std::int32_t filter);
    virtual VstTimeInfo* hostGetTime(std::int32_t filter);
    virtual std::int32_t hostTempoAt(std::int32_t position);
    virtual std::int32_t processEvents(VstEvents* events);
    virtual std::int32_t hostGetNumAutomatableParameters();
    virtual std::int32_t hostGetParameterQuantization();
    virtual bool canBeAutomated(std::int32_t index);
    virtual bool string2Parameter(std::int32_t index, char* text);
    virtual float getChannelParameter(std::int32_t channel, std::int32_t index);
    virtual std::int32_t getNumProgramCategories();
    virtual bool getProgramNameIndexed(std::int32_t category, std::int32_t index, char* text);
    virtual bool copyProgram(std::int32_t destination);
    virtual bool hostIOChanged();
    virtual bool hostNeedIdle();
    virtual bool hostSizeWindow(std::int32_t width, std::int32_t height);
    // Asks the host for its sample rate (Hz) and keeps a positive answer; returns the rate in use.
    virtual float refreshSampleRate();
    // Asks the host for its block size (frames) and keeps a positive answer; returns the size in use.
    virtual std::int32_t refreshBlockSize();
    virtual std::int32_t hostGetInputLatency();
    virtual std::int32_t hostGetOutputLatency();
    virtual PluginRecord* hostGetPreviousPlug(std::int32_t pin);
    virtual PluginRecord* hostGetNextPlug(std::int32_t pin);
    virtual void connectInput(std::int32_t index, bool state);
    virtual void connectOutput(std::int32_t index, bool state);
    virtual bool getInputProperties(std::int32_t index, VstPinProperties* properties);
    virtual bool getOutputProperties(std::int32_t index, VstPinProperties* properties);
    virtual std::int32_t getPlugCategory();
    virtual std::int32_t hostWillReplaceOrAccumulate();
    virtual std::int32_t hostGetCurrentProcessLevel();
    virtual std::int32_t hostGetAutomationState();
    virtual void setFlagExtIsAsync(bool state);
    virtual void setFlagExtHasBuffer(bool state);
    virtual std::int32_t getCurrentPosition();
    virtual float* getDestinationBuffer();
    virtual bool hostOfflineRead(VstOfflineTask* task, std::int32_t option, bool readSource);
    virtual bool hostOfflineWrite(VstOfflineTask* task, std::int32_t option);
    virtual bool hostOfflineStart(VstAudioFile* files, std::int32_t fileCount, std::int32_t newFileCount);
    virtual bool hostOfflineGetCurrentPass();
    virtual bool hostOfflineGetCurrentMetaPass();
    virtual bool offlineNotify(VstAudioFile* files, std::int32_t count, bool start);
    virtual bool offlinePrepare(VstOfflineTask* tasks, std::int32_t count);
    virtual bool offlineRun(VstOfflineTask* tasks, std::int32_t count);
    virtual std::int32_t offlineGetNumPasses();
    virtual std::int32_t offlineGetNumMetaPasses();
    virtual void hostSetOutputSampleRate(float sampleRateHz);
    virtual VstSpeakerArrangement* hostGetInputSpeakerArrangement();
    virtual VstSpeakerArrangement* hostGetOutputSpeakerArrangement();
    virtual bool hostGetVendorString(char* text);
    virtual bool hostGetProductString(char* text);
    virtual std::int32_t hostGetVendorVersion();
    virtual VstIntPtr hostVendorSpecific(std::int32_t index, VstIntPtr value, void* ptr, float opt);
    virtual bool hostCanDo(char* text);
    virtual void setFlagIsSynth(bool state);
    virtual void setFlagNoSoundInStop(bool state);
    virtual std::int32_t hostGetLanguage();
    virtual void* hostOpenWindow(VstWindow* window);
    virtual bool hostCloseWindow(VstWindow* window);
    virtual void* hostGetDirectory();
    virtual bool hostUpdateDisplay();
    virtual bool processVarIo(VstVariableIo* io);
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output);
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output);
    // Stores both stream settings directly: block size in frames, sample rate in Hz.
    virtual void setBlockSizeAndSampleRate(std::int32_t blockSizeFrames, float sampleRateHz);
    virtual bool setBypass(bool state);
    // Identification texts into the host's buffer; true when written.
    virtual bool getEffectName(char* text);
    virtual bool getErrorText(char* text);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    virtual std::int32_t getVendorVersion();
    virtual VstIntPtr vendorSpecific(std::int32_t index, VstIntPtr value, void* ptr, float opt);
    virtual std::int32_t canDo(char* text);
    virtual void* getIcon();
    virtual bool setViewPosition(std::int32_t x, std::int32_t y);
    virtual std::int32_t getTailSize();
    virtual std::int32_t idle();
    virtual bool getParameterProperties(std::int32_t index, VstParameterProperties* properties);
    virtual bool keysRequired();
    virtual std::int32_t getVstVersion();
    virtual std::int32_t getMidiProgramName(std::int32_t channel, MidiProgramName* name);
    virtual std::int32_t getCurrentMidiProgram(std::int32_t channel, MidiProgramName* name);
    virtual std::int32_t getMidiProgramCategory(std::int32_t channel, MidiProgramCategory* category);
    virtual bool hasMidiProgramsChanged(std::int32_t channel);
    virtual bool getMidiKeyName(std::int32_t channel, MidiKeyName* keyName);
    virtual bool beginSetProgram();
    virtual bool endSetProgram();
    virtual bool hostBeginEdit(std::int32_t index);
    virtual bool hostEndEdit(std::int32_t index);
    virtual bool hostOpenFileSelector(VstFileSelect* selector);
    virtual std::int32_t setTotalSampleToProcess(std::int32_t value);
    virtual std::int32_t shellGetNextPlugin(char* name);
    virtual std::int32_t startProcess();
    virtual std::int32_t stopProcess();
    virtual bool setPanLaw(std::int32_t type, float gain);
    virtual std::int32_t beginLoadBank(VstPatchChunkInfo* info);
    virtual std::int32_t beginLoadProgram(VstPatchChunkInfo* info);
    // Speaker arrangements laid out as header plus `channels` records, allocated with malloc.
    virtual bool allocateSpeakerArrangement(VstSpeakerArrangement** arrangement, std::int32_t channels);
    virtual bool releaseSpeakerArrangement(VstSpeakerArrangement** arrangement);
    virtual bool copySpeakerProperties(VstSpeakerProperties* destination, VstSpeakerProperties* source);
    virtual bool matchSpeakerArrangement(VstSpeakerArrangement** destination, VstSpeakerArrangement* source);
};

}  // namespace qm
