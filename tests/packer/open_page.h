// Test helper: a code page by name, failing the test when it cannot be opened.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "packer/codepage.h"

namespace packer {

inline CodePage Page(const std::string& name) {
  CodePage page;
  std::string error;
  EXPECT_TRUE(CodePage::Open(name, &page, &error)) << error;
  return page;
}

}  // namespace packer
