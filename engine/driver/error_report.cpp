#include "driver/error_report.hpp"

#include <fmt/format.h>

namespace tesk {
namespace {

std::string errorLine(std::int32_t code) {
    return fmt::format("Error was -->{}{} - {}", code < 0 ? "" : " ", code, errorText(code));
}

// The message names the resource that was being worked on when the reported error was recorded,
// not whichever resource the run handled last.
// Without the message box the caller only has the number: lastIoError names the driver's own
// failure, and when there was none the recorded error stands in for it, so a failed run never
// reads as success.
std::int32_t silentStatus(const ExtractionContext& ctx) {
    return ctx.errors.lastIoError != 0 ? ctx.errors.lastIoError : ctx.errors.code;
}

void closeProgress(ExtractionContext& ctx) {
    if (ctx.progress.window != 0) {
        ctx.services.progress.shutdown(ctx.progress.window);
        ctx.progress.window = 0;
    }
}

}   // namespace

void recordError(ExtractionContext& ctx, ErrorNumber number, std::string_view operation) {
    recordError(ctx, toInt(number), operation);
}

void recordError(ExtractionContext& ctx, std::int32_t number, std::string_view operation) {
    ctx.errors.code = number;
    ctx.errors.procedure = operation;
    ctx.errors.resource = ctx.errors.workingOn;
    if (ctx.failureObserver) ctx.failureObserver({ctx.errors.workingOn, std::string(operation), number, {}});
}

void recordBitmapTooDeep(ExtractionContext& ctx) {
    ctx.errors.code = toInt(ErrorNumber::BitmapTooDeep);
    ctx.errors.resource = ctx.errors.workingOn;
    // The record keeps the previous operation's name; the note says which operation found it.
    if (ctx.failureObserver)
        ctx.failureObserver({ctx.errors.workingOn, std::string(op::parsersrc), ctx.errors.code, {}});
}

void noteFailure(ExtractionContext& ctx, std::string resource, std::string_view operation, ErrorNumber number,
                 std::string detail) {
    if (ctx.failureObserver)
        ctx.failureObserver({std::move(resource), std::string(operation), toInt(number), std::move(detail)});
}

void recordIoError(ExtractionContext& ctx, ErrorNumber number) { ctx.errors.lastIoError = toInt(number); }

void recordDriverFailure(ExtractionContext& ctx, ErrorNumber number) {
    recordIoError(ctx, number);
    recordError(ctx, number, op::mainLoop);
}

std::string runErrorMessage(const ExtractionContext& ctx) {
    return fmt::format("Error In Dll module --> {}, While working On {}\r\n{}", ctx.errors.procedure,
                       ctx.errors.resource, errorLine(ctx.errors.code));
}

std::string mainLoopErrorMessage(const ExtractionContext& ctx) {
    return fmt::format("Error In Dll module --> MainLoop, While working On {}\r\n{}", ctx.resource.name,
                       errorLine(ctx.errors.code));
}

std::int32_t finishWithStatus(ExtractionContext& ctx) {
    closeProgress(ctx);
    if (ctx.errors.code == 0) return 0;
    if (ctx.settings.flags.showErrors) {
        ctx.services.ui.message(runErrorMessage(ctx), kProgramTitle, MessageStyle::Plain);
        return ctx.errors.code;
    }
    return silentStatus(ctx);
}

std::int32_t mainLoopExit(ExtractionContext& ctx, ErrorNumber number) {
    recordError(ctx, number, op::mainLoop);
    ctx.errors.mainLoopExitTaken = true;
    closeProgress(ctx);
    if (ctx.settings.flags.showErrors) {
        ctx.services.ui.message(mainLoopErrorMessage(ctx), kProgramTitle, MessageStyle::Plain);
        return 0;
    }
    return silentStatus(ctx);
}

void showUnsupportedFile(ExtractionContext& ctx) {
    ctx.errors.refused = true;
    ctx.errors.refusalReason = ctx.loaded.database.unsupportedReason();
    closeProgress(ctx);
    ctx.services.ui.message(kUnsupportedFileMessage, kProgramTitle, MessageStyle::Plain);
}

void showNonStandardFormat(ExtractionContext& ctx, std::string_view reason) {
    ctx.errors.refused = true;
    ctx.errors.refusalReason = reason;
    closeProgress(ctx);
    ctx.services.ui.message(kNonStandardFormatMessage, "", MessageStyle::TaskModalForeground);
}

}   // namespace tesk
