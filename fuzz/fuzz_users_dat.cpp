// The Palm Desktop user list.
#include "fuzz_support.hpp"
#include "users_dat.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);   // its own allocation, so overreads are caught
    auto users = varnel::parseUsersDat(bytes);
    tesk::fuzz::require(users.names.size() == users.folders.size(), "names and folders pair up");
    // Every user needs at least a few bytes of the file, so the lists are bounded by its size.
    tesk::fuzz::require(users.names.size() <= size, "no more users than bytes");
    return 0;
}
