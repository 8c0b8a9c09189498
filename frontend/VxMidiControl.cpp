#include "frontend/VxMidiControl.h"

#include "diag/Diag.h"
#include "frontend/MainForm.h"

#include "control/midi/VxAlsaMidi.h"
#include "control/midi/VxJackMidi.h"

#include "analysis/VxTempoWorker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QSaveFile>
#include <QSocketNotifier>

#include <cstdlib>

namespace {

constexpr std::uint32_t kTellMs = 4000;
constexpr char kClientName[] = "Vexaline MIDI";

bool OnJack() {
    const char* audio = std::getenv("VEXALINE_AUDIO");
    return audio != nullptr && std::string(audio).find("jack") != std::string::npos;
}

std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime != nullptr && *runtime != '\0' ? runtime : QDir::tempPath().toStdString();
}

QString Upper(const std::string& text) {
    return QString::fromStdString(text).toUpper();
}

// The learn target of a deck control. The touch-bend knob learns a jog
// wheel (or its touch sensor), or an absolute knob if that is what moves.
TVxLearnTarget TargetOf(const TVxDeckAction& action) {
    if (action.Kind == TVxDeckAction::Hold || action.Kind == TVxDeckAction::Command)
        return TVxLearnTarget::Button;
    if (std::string_view(action.Name) == "touch-bend")
        return TVxLearnTarget::Jog;
    return TVxLearnTarget::Fader;
}

// What the touch-bend knob's learn became: the jog, its touch, or the knob.
void NameJogBinding(TVxMidiBinding& binding) {
    if (binding.Action != "touch-bend")
        return;
    if (binding.Kind == TVxMidiKind::Note)
        binding.Action = "jog-touch";
    else if (binding.Mode == TVxMidiMode::Relative)
        binding.Action = "jog";
}

// A file name for a new controller's mapping: its name, tamed.
QString FileNameFor(const std::string& device) {
    QString name = QString::fromStdString(device);
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != '-' && c != '_')
            c = '_';
    return (name.isEmpty() ? QStringLiteral("controller") : name) + QStringLiteral(".json");
}

} // namespace

struct TVxMidiControl::TDevice {
    TDevice(TVxMidiMapping mapping, TVxMidiEngine::TValueOf valueOf)
        : Engine(std::move(mapping), std::move(valueOf)), Lights(Engine.Mapping().Lights) {}

    TVxMidiEngine Engine;
    TVxMidiParser Parser;
    TVxMidiLights Lights;
    int Port = -1;
    bool Present = false;
    bool Seen = false;
};

TVxMidiControl::TVxMidiControl(TMainForm& form)
    : form_(form), actions_(form), claim_(RuntimeFolder()) {
    learnQuiet_.setSingleShot(true);
    learnQuiet_.setInterval(kLearnQuietMs);
    connect(&learnQuiet_, &QTimer::timeout, this, [this] {
        if (auto binding = learn_.Finish())
            Learned(learnDevice_, *binding);
    });
}

TVxMidiControl::~TVxMidiControl() {
    if (learning_)
        QCoreApplication::instance()->removeEventFilter(this);
}

std::string TVxMidiControl::Folder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const QString base = config != nullptr && *config != '\0'
                             ? QString::fromLocal8Bit(config)
                             : QDir::homePath() + QStringLiteral("/.config");
    return (base + QStringLiteral("/Vexaline/controllers")).toStdString();
}

void TVxMidiControl::Start() {
    form_.ToggleControllerLearn = [this] { SetLearning(!learning_); };
    if (form_.PlaylistPopup != nullptr)
        connect(form_.PlaylistPopup->addAction(QStringLiteral("Learn a controller")),
                &QAction::triggered, this, [this] { SetLearning(!learning_); });
    LoadMappings();
    // Without a mapping the player joins the server only when learn asks.
    if (!devices_.empty())
        OpenPorts();
}

void TVxMidiControl::OpenPorts() {
    if (Open())
        return;
    std::unique_ptr<IVxMidiPorts> ports;
    if (OnJack())
        ports = std::make_unique<TVxJackMidi>();
    else
        ports = std::make_unique<TVxAlsaMidi>();
    std::string error;
    if (!ports->Open(kClientName, error)) {
        LogPrintf("Controllers: %s\n", error.c_str());
        return;
    }
    ports_ = std::move(ports);
    for (const auto& device : devices_)
        device->Port = ports_->AddDevice(device->Engine.Mapping().Device);
    otherPort_ = ports_->AddDevice("other");
    notifier_ = std::make_unique<QSocketNotifier>(ports_->NotifyFd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { Readable(); });
    connect(&form_.TimerUpdate.Clock(), &QTimer::timeout, this, [this] { UpdateLights(); });
    Reconnect();
}

void TVxMidiControl::LoadMappings() {
    const QDir folder(QString::fromStdString(Folder()));
    for (const QString& name :
         folder.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        TVxMidiMapping mapping;
        std::string error;
        if (!file.open(QIODevice::ReadOnly))
            error = file.fileName().toStdString() + ": cannot be read";
        else if (VxParseMidiMapping(file.readAll().toStdString(), file.fileName().toStdString(),
                                    mapping, error)) {
            std::erase_if(mapping.Bindings, [&](const TVxMidiBinding& binding) {
                if (binding.Action == kVxShiftAction || TVxDeckActions::Find(binding.Action))
                    return false;
                faults_ << QString::fromStdString(
                    mapping.File + ":" + std::to_string(binding.Line) +
                    ": the deck has no action \"" + binding.Action + "\"");
                return true;
            });
            if (mapping.Deck == 0 || mapping.Deck == claim_.Deck())
                AddDevice(std::move(mapping));
            continue;
        }
        faults_ << QString::fromStdString(error);
    }
    for (const QString& fault : faults_)
        LogPrintf("Controllers: %s\n", fault.toLocal8Bit().constData());
    if (!faults_.isEmpty())
        QTimer::singleShot(0, this, [this] {
            DiagMessageBox(kDiagIconStop, "Vexaline",
                           "Some controller mappings could not be read:\n\n%s\n\nThe player "
                           "uses the others.",
                           faults_.join(QLatin1Char('\n')).toLocal8Bit().constData());
        });
}

void TVxMidiControl::AddDevice(TVxMidiMapping mapping) {
    auto valueOf = [this](const std::string& name) -> std::optional<double> {
        const TVxDeckAction* action = TVxDeckActions::Find(name);
        return action != nullptr ? actions_.Value(*action) : std::nullopt;
    };
    devices_.push_back(std::make_unique<TDevice>(std::move(mapping), valueOf));
}

void TVxMidiControl::Readable() {
    const bool portsChanged =
        ports_->Drain([this](int port, const std::uint8_t* data, std::size_t size) {
            for (std::size_t i = 0; i < devices_.size(); ++i)
                if (devices_[i]->Port == port)
                    devices_[i]->Parser.Feed(data, size,
                                             [&](const TVxMidiMessage& m) { Receive(i, m); });
            if (port == otherPort_ && learning_)
                otherParser_.Feed(data, size,
                                  [&](const TVxMidiMessage& m) { Receive(devices_.size(), m); });
        });
    if (portsChanged)
        Reconnect();
}

// device: an index into devices_, or devices_.size() for a port no mapping
// names yet.
void TVxMidiControl::Receive(std::size_t device, const TVxMidiMessage& message) {
    if (learning_) {
        LearnMessage(device, message);
        return;
    }
    if (device < devices_.size())
        devices_[device]->Engine.Message(
            message, [this](const TVxActionEvent& event) { actions_.Act(event); });
}

void TVxMidiControl::LearnMessage(std::size_t device, const TVxMidiMessage& message) {
    if (!learn_.Active())
        return;
    static const TVxMidiMapping kNoMapping;
    learnDevice_ = device;
    const TVxMidiMapping& mapping =
        device < devices_.size() ? devices_[device]->Engine.Mapping() : kNoMapping;
    if (auto binding = learn_.Message(message, mapping)) {
        Learned(device, *binding);
        return;
    }
    learnQuiet_.start();
}

void TVxMidiControl::Learned(std::size_t device, TVxMidiBinding binding) {
    learnQuiet_.stop();
    NameJogBinding(binding);
    if (device >= devices_.size())
        device = NewDevice();
    TDevice& target = *devices_[device];
    if (auto shift = learn_.ShiftButton())
        target.Engine.Learn(*shift);
    target.Engine.Learn(binding);
    Save(target);
    Tell(QStringLiteral("LEARNED ") + Upper(binding.Action),
         QStringLiteral("CLICK THE NEXT CONTROL"));
}

// A mapping for the controller no mapping named: the first such port's
// client name.
std::size_t TVxMidiControl::NewDevice() {
    TVxMidiMapping mapping;
    const std::string source = otherSources_.empty() ? "controller" : otherSources_.front();
    mapping.Device = source.substr(0, source.find(':'));
    mapping.File = Folder() + "/" + FileNameFor(mapping.Device).toStdString();
    AddDevice(std::move(mapping));
    if (Open()) {
        devices_.back()->Port = ports_->AddDevice(devices_.back()->Engine.Mapping().Device);
        Reconnect();
    }
    return devices_.size() - 1;
}

void TVxMidiControl::Save(TDevice& device) {
    const TVxMidiMapping& mapping = device.Engine.Mapping();
    QDir().mkpath(QString::fromStdString(Folder()));
    QSaveFile file(QString::fromStdString(mapping.File));
    const std::string text = VxWriteMidiMapping(mapping);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit())
        DiagMessageBox(kDiagIconStop, "Vexaline",
                       "The learned control could not be saved in\n%s:\n\n%s", mapping.File.c_str(),
                       file.errorString().toLocal8Bit().constData());
}

void TVxMidiControl::SetLearning(bool on) {
    if (on == learning_)
        return;
    learning_ = on;
    learn_.Cancel();
    learnQuiet_.stop();
    if (on) {
        OpenPorts();
        QCoreApplication::instance()->installEventFilter(this);
        Tell(QStringLiteral("LEARN: CLICK A CONTROL"), QStringLiteral("THEN MOVE THE CONTROLLER"));
    } else {
        QCoreApplication::instance()->removeEventFilter(this);
        Tell(QStringLiteral("LEARN ENDED"), QString());
    }
}

// While learning, a click on a deck control picks it instead of working it.
bool TVxMidiControl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease &&
        event->type() != QEvent::MouseButtonDblClick)
        return false;
    if (!watched->isWidgetType())
        return false;
    const TVxDeckAction* action = actions_.OfControl(static_cast<QWidget*>(watched));
    if (action == nullptr)
        return false;
    if (event->type() == QEvent::MouseButtonPress)
        Pick(*action);
    return true;
}

void TVxMidiControl::Pick(const TVxDeckAction& action) {
    learn_.Begin(action.Name, TargetOf(action));
    Tell(QStringLiteral("LEARN ") + Upper(action.Name), QStringLiteral("MOVE THE CONTROLLER"));
}

void TVxMidiControl::Reconnect() {
    const auto sources = ports_->OtherPorts(true);
    const auto destinations = ports_->OtherPorts(false);
    std::vector<bool> present(devices_.size(), false);
    otherSources_.clear();
    for (const auto& names : sources) {
        bool matched = false;
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            const TVxMidiMapping& mapping = devices_[i]->Engine.Mapping();
            if (std::none_of(names.begin(), names.end(),
                             [&](const std::string& name) { return mapping.MatchesPort(name); }))
                continue;
            matched = true;
            present[i] = ports_->ConnectSource(names.front(), devices_[i]->Port) || present[i];
        }
        if (matched) {
            ports_->DisconnectSource(names.front(), otherPort_);
        } else {
            ports_->ConnectSource(names.front(), otherPort_);
            otherSources_.push_back(names.front());
        }
    }
    for (const auto& names : destinations)
        for (const auto& device : devices_)
            if (std::any_of(names.begin(), names.end(), [&](const std::string& name) {
                    return device->Engine.Mapping().MatchesPort(name);
                }))
                ports_->ConnectDestination(device->Port, names.front());
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        TDevice& device = *devices_[i];
        if (present[i] == device.Present)
            continue;
        const QString name = Upper(device.Engine.Mapping().Device);
        LogPrintf("Controllers: %s %s\n", device.Engine.Mapping().Device.c_str(),
                  present[i] ? "connected" : "unplugged");
        if (present[i] && device.Seen)
            Tell(QStringLiteral("CONTROLLER BACK"), name);
        else if (!present[i])
            Tell(QStringLiteral("CONTROLLER UNPLUGGED"), name);
        if (!present[i])
            device.Engine.ReleaseAll([this](const TVxActionEvent& event) { actions_.Act(event); });
        device.Present = present[i];
        device.Seen = device.Seen || present[i];
        device.Lights.Reset();
    }
}

void TVxMidiControl::UpdateLights() {
    const std::uint8_t state = form_.System().State;
    TVxDeckLightState lights;
    lights.Playing = state == kVxPlaying || state == kVxCuePlaying;
    lights.Cue = state == kVxCued || state == kVxCuePlaying;
    if (lights.Playing && form_.Tempo() != nullptr) {
        const TVxSongTempo tempo = form_.Tempo()->SongTempo();
        TVxTimeInfo time;
        form_.System().GetTimeInfo(time);
        lights.Beat = VxOnBeat(time.PositionMs, tempo.Bpm, tempo.FirstBeatMs);
    }
    for (const auto& device : devices_) {
        if (!device->Present)
            continue;
        for (const TVxMidiMessage& message : device->Lights.Update(lights)) {
            const std::vector<std::uint8_t> bytes = VxMidiBytes(message);
            ports_->Send(device->Port, bytes.data(), bytes.size());
        }
    }
}

void TVxMidiControl::Tell(const QString& line1, const QString& line2) {
    form_.ShowMessages(line1, line2, kTellMs);
}

std::vector<std::string> TVxMidiControl::MappingFiles() const {
    std::vector<std::string> files;
    for (const auto& device : devices_)
        files.push_back(device->Engine.Mapping().File);
    return files;
}
