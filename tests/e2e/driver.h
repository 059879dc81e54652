// What the soak (soak.cpp) uses of the end-to-end driver (driver.cpp).
#ifndef DOZERO_E2E_DRIVER_H
#define DOZERO_E2E_DRIVER_H

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

using Args = std::vector<std::string>;

// Runs driver commands (";" between them) as the command line would, answers on stdout.
void Do(const Args& a);
// Runs driver commands and returns their answers without the final line break.
std::string Ask(const Args& a);
// Splits "cmd a b ; cmd c" into commands at ";" words.
std::vector<Args> SplitCommands(const Args& words);

HWND MainWindow();
// Visible message boxes and file dialogs of the program's process.
std::vector<HWND> OpenDialogs();
std::string Caption(HWND w);
[[noreturn]] void Fail(const std::string& why);
// Messages wait up to 30 s for the program, even when it looks hung.
void BePatient();
// "hex:..." form of a byte string, as the driver's text arguments take it.
std::string Hex(const std::string& bytes);

}  // namespace driver

// driver soak N SEED [OPTIONS] / driver soak-replay LOG [OPTIONS]
void Soak(const driver::Args& a);

#endif
