// An extractor that records the thirteen arguments of each call and answers a set status.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "extractor.hpp"

namespace tesk::icontool::test {

struct RecordedCall {
    std::optional<std::string> text[7];   // nothing = a null pointer
    std::int32_t format = -1;
    const std::int32_t* sortAddress = nullptr;
    std::int32_t sort = -1;
    std::uint32_t options = 0;
    std::int32_t resizeMode = -1;
    const std::int32_t* widthAddress = nullptr;
    const std::int32_t* heightAddress = nullptr;
    std::int32_t width = -1;
    std::int32_t height = -1;
};

class FakeExtractor final : public Extractor {
public:
    std::string prepare() override { return prepareProblem; }
    std::int32_t extrsrc(const char* a1, const char* a2, const char* a3, const char* a4, const char* a5, const char* a6,
                         const char* a7, const std::int32_t* format, const std::int32_t* sort, std::uint32_t* options,
                         const std::int32_t* mode, const std::int32_t* width, const std::int32_t* height) override {
        RecordedCall c;
        const char* texts[7] = {a1, a2, a3, a4, a5, a6, a7};
        for (int i = 0; i < 7; ++i)
            if (texts[i]) c.text[i] = texts[i];
        c.format = *format;
        c.sortAddress = sort;
        c.sort = *sort;
        c.options = *options;
        c.resizeMode = *mode;
        c.widthAddress = width;
        c.heightAddress = height;
        c.width = *width;
        c.height = *height;
        // The library may set bits in the word; the front end must not care.
        *options |= 0x0400;
        calls.push_back(c);
        if (during) during();
        return status;
    }

    std::string prepareProblem;
    std::function<void()> during;   // runs inside the call, as the host's events do
    std::int32_t status = 0;
    std::vector<RecordedCall> calls;
};

}   // namespace tesk::icontool::test
