#include "frontend/VxOpenAside.h"

#include "diag/Diag.h"
#include "engine/VxSystem.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <thread>

namespace {

// Shared by the window thread and the opening thread, which may outlive Run.
struct TOpenOutcome {
    std::atomic<bool> Done{false};
    int Status = kDiagSilent;   // written before Done
    QEventLoop* Loop = nullptr; // window thread only
};

} // namespace

int TVxOpenAside::Run(std::shared_ptr<TVxTickLink> link, const std::string& path, bool autoPlay,
                      const TVxSongStart& start) {
    const auto outcome = std::make_shared<TOpenOutcome>();
    QEventLoop loop;
    outcome->Loop = &loop;
    std::thread([outcome, link = std::move(link), path, autoPlay, start] {
        outcome->Status = TVxSystemTAG::OpenSong(link, path.c_str(), autoPlay, start);
        outcome->Done = true;
        // The application outlives every window; the loop may be gone.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [outcome] {
            if (outcome->Loop != nullptr)
                outcome->Loop->quit();
        });
    }).detach();
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    outcome->Loop = nullptr;
    return outcome->Done ? outcome->Status : kDiagSilent;
}

void TVxOpenAside::LetGo() {
    if (loop_ != nullptr)
        loop_->quit();
}
