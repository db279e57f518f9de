// The integrity check of a downloaded package.
#pragma once

namespace startup {

// Passes when the file ends exactly with a ZIP end record and its comment, or
// with the trailer marker "QWJ" and any fourth byte; sets SizeCheckPassed. On
// failure it does not return (FailPackageSize). Moves the package position.
void CheckPackageSize();

// The size message (error icon), PackageFile closed, the program ends with exit
// code 0. Nothing has been created by then, so no clean-up runs.
[[noreturn]] void FailPackageSize();

}  // namespace startup
