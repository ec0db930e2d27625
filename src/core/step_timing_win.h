#pragma once
// The pace of the progress page: a product may ask that each step stays visible for at least
// minStepDelay milliseconds.
namespace qs {

// Starts the clock (when the progress page opens).
void MarkStep();
// While the progress page is shown, lets the window messages run until minStepDelay
// milliseconds have passed since the previous mark; then marks again.
void WaitStep();
// The uninstaller's pace: lets the window messages run, 50 ms at a time, until `ms`
// milliseconds have passed since the previous mark. At once in automatic mode.
void WaitStepFor(unsigned ms);
// Lets the window messages that are waiting run (once per installed file).
void PumpMessages();

}  // namespace qs
