#include "import/ImportWorker.h"

#include <atomic>
#include <exception>
#include <new>
#include <system_error>
#include <thread>

#include "formats/FixedText.h"
#include "import/ImportSession.h"
#include "import/ImportUi.h"
#include "import/TerrainBuild.h"

namespace {

// The start record: one per module, filled just before the thread starts.
struct StartRecord {
    ImportSession* session = nullptr;
    ProgressTarget* dialog = nullptr;
    std::thread thread;
    std::atomic<bool> running{false};
};

StartRecord& startRecord() {
    static StartRecord record;
    return record;
}

// The import body: elevations, then the mesh and the world objects.
bool runImportBody(ImportSession& session) {
    ProgressTarget* target = session.progressWindow;
    SendStatus(target, "reading elevation-data...");
    session.progressTotal = session.vertexCount;
    if (!session.terrain.readElevations(target, ReportProgress)) {
        fixedtext::copy(session.errorText, "error while reading elevation-data");
        return false;
    }
    SendStatus(target, "");
    SendProgress(target, session.progressTotal);
    return BuildTerrain(session, target);
}

}  // namespace

intptr_t SendImportMessage(ProgressTarget* target, uint32_t message, intptr_t lParam) {
    return target ? target->send(message, lParam) : 0;
}

void ReportProgress(void* window, int32_t index) {
    // The index is sent as the unsigned 32-bit count it stands for.
    SendProgress(static_cast<ProgressTarget*>(window), static_cast<uint32_t>(index));
}

void RunImportJob(ImportSession& session, ProgressTarget* dialog) {
    session.progressWindow = dialog;
    bool ok = false;
    // Nothing may leave the worker: an exception past its top ends the host.
    try {
        ok = runImportBody(session);
    } catch (const std::bad_alloc&) {
        TerrainHeader header;
        session.terrain.getHeader(header);
        TerrainTooLargeText(header.xPoints, header.yPoints, session.errorText, sizeof session.errorText);
    } catch (const std::exception& e) {
        fixedtext::formatWithArg(session.errorText, "Error generating mesh: %s", e.what());
    }
    SendImportMessage(dialog, ok ? WM_IMPORT_DONE : WM_IMPORT_FAILED, 0);
    session.progressWindow = nullptr;
}

void ImportThreadMain(ProgressTarget* dialog, ImportSession* session) {
    RunImportJob(*session, dialog);
    if (session->cancelled && dialog) dialog->end(0);
    startRecord().running = false;
}

bool StartImportThread(ProgressTarget* dialog, ImportSession* session) {
    if (!session) return false;
    WaitForImportThread();  // a previous worker has long ended; join it all the same
    StartRecord& record = startRecord();
    record.session = session;
    record.dialog = dialog;
    record.running = true;
    try {
        record.thread = std::thread(ImportThreadMain, record.dialog, record.session);
    } catch (const std::system_error&) {
        record.running = false;
        fixedtext::copy(session->errorText, "cannot create Import-thread\nsorry...");
        return false;
    }
    return true;
}

void WaitForImportThread() {
    StartRecord& record = startRecord();
    if (record.thread.joinable() && record.thread.get_id() != std::this_thread::get_id()) record.thread.join();
}

bool ImportThreadFinished() { return !startRecord().running.load(); }
