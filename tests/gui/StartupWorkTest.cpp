// What the start-up leaves for later, and that it is there when it is needed: the network library
// is loaded by the first transfer.

#include "plat_ui/net/HttpDownload.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>

using namespace zov;

namespace {

bool curlLoaded()
{
    return dlopen("libcurl.so.4", RTLD_NOW | RTLD_NOLOAD) != nullptr;
}

} // namespace

// In a process of its own, which no transfer came before.
TEST(StartupWork, TheNetworkLibraryIsLoadedByTheFirstTransferNotByTheStart)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (curlLoaded())
                std::_Exit(1);
            net::EnsureNetInitialised();
            std::_Exit(curlLoaded() ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
}
