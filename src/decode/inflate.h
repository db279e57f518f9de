// The Deflate (RFC 1951) decoder for method-8 entries, package file to OutFile.
#pragma once

namespace decode {

// Expects the same state as CopyStoredEntry. Decodes every block into the 32 KiB
// window, writes it out in pieces and folds into RunningCrc the bytes actually
// written (a short write therefore fails the CRC comparison). Damaged data ends
// decoding early: what was flushed stays written; the window's rest is dropped.
void InflateEntry();

}  // namespace decode
