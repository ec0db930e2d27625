#pragma once
// The environment the installer has always run in: a 32-bit program's.
namespace qs {

// On 64-bit Windows a 32-bit program's environment names the 32-bit program files folders
// ("ProgramFiles" is "C:\Program Files (x86)") and an x86 processor, with the machine's own
// architecture in PROCESSOR_ARCHITEW6432. Products' folders and batch files are written against
// that environment, and the programs the installer starts inherit it. The 64-bit build sets the
// same values once at start; the 32-bit build leaves the environment alone.
void AdoptProgramEnvironment();

}  // namespace qs
