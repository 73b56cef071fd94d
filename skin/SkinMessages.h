// Window messages of the spinner, its arrow buttons and the progress bar.
// The import messages (0x800B to 0x800E) live with the import.
#pragma once

// To a vqSpinner.
constexpr unsigned SPNM_STEPUP = 0x0401;        // wParam: count (0: one plain step)
constexpr unsigned SPNM_STEPDOWN = 0x0402;      // wParam: count
constexpr unsigned SPNM_RESETDEFAULT = 0x0403;
constexpr unsigned SPNM_CANCELSPIN = 0x0404;    // value back to the one before the press
constexpr unsigned SPNM_SETRANGE = 0x0415;      // lParam: const SpinnerRange*
constexpr unsigned SPNM_SETDEFAULT = 0x0416;    // lParam: const double*
constexpr unsigned SPNM_SETVALUE = 0x0417;      // lParam: const double*
constexpr unsigned SPNM_GETVALUE = 0x0418;      // result: const double* inside the spinner

// From a spin button to its spinner, and SPNM_SPINEND from the spinner to its
// parent (wParam 0, lParam the spinner's control id).
constexpr unsigned SPNM_SPINBEGIN = 0x82C2;
constexpr unsigned SPNM_SPINEND = 0x82C3;       // wParam: 0 normal end, 1 cancelled

// To a vqSpinButton.
constexpr unsigned SPBM_SETBUDDY = 0x040B;      // wParam: the other button
constexpr unsigned SPBM_SETDIRECTION = 0x040C;  // wParam: 0 up, nonzero down

// To a vqProgressCtrl.
constexpr unsigned PRGM_SETCOLOR = 0x8033;      // lParam: COLORREF
constexpr unsigned PRGM_SETFRACTION = 0x8034;   // lParam: const float*
