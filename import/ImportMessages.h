#pragma once
// The messages the import worker sends to the progress display, with their
// numbers: the protocol between every import step and the progress dialog.
// They lie in the range Windows leaves to applications (from 0x8000) and are
// always sent blocking, so each is handled before the sender goes on.
//
//   message             wParam  lParam
//   WM_IMPORT_STATUS    0       const char*: status line ("" clears it), valid during the call
//   WM_IMPORT_PROGRESS  0       uint32_t count of work done, of the session's progressTotal
//   WM_IMPORT_DONE      0       0: the import body succeeded (sent by the worker only)
//   WM_IMPORT_FAILED    0       0: the import body failed, errorText says why (worker only)
#include <cstdint>

constexpr uint32_t WM_IMPORT_STATUS = 0x800B;
constexpr uint32_t WM_IMPORT_PROGRESS = 0x800C;
constexpr uint32_t WM_IMPORT_DONE = 0x800D;
constexpr uint32_t WM_IMPORT_FAILED = 0x800E;
