// Copying a stored (method 0) entry from the package to OutFile.
#pragma once

namespace decode {

// Expects: PackageFile at the entry's first data byte (behind an encryption
// header), CompressedLeft = data bytes, RunningCrc started, OutFile open, and for
// an encrypted entry (LocalHeader flag bit 0) CipherKeys standing after the header.
// Copies in chunks of up to 32 KiB, deciphering on the way; folds into RunningCrc
// only the bytes each write reports as written, so a short write fails the CRC
// comparison. A read that delivers nothing ends the copy.
void CopyStoredEntry();

}  // namespace decode
