#pragma once
// The screen flow of the program: the one place that knows every screen and
// wires them together (kit/flow.h is what the screens call).

namespace shell {

// Installs the screen flow as the navigator of kit/flow.h. Idempotent.
void InstallScreenFlow();

}  // namespace shell
