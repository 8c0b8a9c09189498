// Controllers on the deck: the mapping files of the controllers folder, the
// MIDI client that reads them (JACK MIDI or the ALSA sequencer), learn, and
// the lights. Every message
// goes through its mapping to the deck's action table, the one the keys use.
//
// Mapping files live in $XDG_CONFIG_HOME/Vexaline/controllers (default
// ~/.config/...); a file that cannot be read is reported with its file and
// line and left out, and the others stay in use.
//
// Window thread only; the MIDI client's own threads only fill its ring.
#pragma once

#include "control/midi/VxDeckClaim.h"
#include "control/midi/VxMidiEngine.h"
#include "control/midi/VxMidiLearn.h"
#include "control/midi/VxMidiLights.h"
#include "control/midi/VxMidiPorts.h"
#include "frontend/VxDeckActions.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
class TMainForm;

class TVxMidiControl : public QObject {
public:
    // How long a moved control rests before learn decides what it is.
    static constexpr int kLearnQuietMs = 700;

    explicit TVxMidiControl(TMainForm& form);
    ~TVxMidiControl() override;

    // Reads the mappings and opens the MIDI client; faults are reported.
    void Start();
    static std::string Folder();

    // One message from a controller: device is the mapping's place in
    // MappingFiles(), or their count for a port no mapping names.
    void Receive(std::size_t device, const TVxMidiMessage& message);

    bool Learning() const { return learning_; }
    void SetLearning(bool on);
    // The mapping files in use and the faults of those left out.
    std::vector<std::string> MappingFiles() const;
    const QStringList& Faults() const { return faults_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TDevice;

    void LoadMappings();
    // Joins the MIDI system, once: JACK MIDI when the deck plays on JACK,
    // the ALSA sequencer otherwise.
    void OpenPorts();
    bool Open() const { return ports_ != nullptr && ports_->IsOpen(); }
    void AddDevice(TVxMidiMapping mapping);
    void Readable();
    void LearnMessage(std::size_t device, const TVxMidiMessage& message);
    void Learned(std::size_t device, TVxMidiBinding binding);
    std::size_t NewDevice();
    void Save(TDevice& device);
    void Pick(const TVxDeckAction& action);
    void Reconnect();
    void UpdateLights();
    void Tell(const QString& line1, const QString& line2);

    TMainForm& form_;
    TVxDeckActions actions_;
    TVxDeckClaim claim_;
    std::unique_ptr<IVxMidiPorts> ports_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<std::unique_ptr<TDevice>> devices_;
    // Takes every port no mapping names, for learning a new controller.
    int otherPort_ = -1;
    std::vector<std::string> otherSources_;
    TVxMidiParser otherParser_;
    QStringList faults_;
    bool learning_ = false;
    TVxMidiLearn learn_;
    std::size_t learnDevice_ = 0;
    QTimer learnQuiet_;
};
