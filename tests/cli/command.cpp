#include "cli/command.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/bitmap_builder.hpp"

extern char** environ;

namespace tesk::test {
namespace {

pid_t spawn(const std::string& program, const std::vector<std::string>& words, const Setting& setting,
            const std::string& out, const std::string& err) {
    std::vector<std::string> args{program};
    args.insert(args.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = setting.environment;
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!setting.folder.empty()) posix_spawn_file_actions_addchdir_np(&files, setting.folder.c_str());
    // The child takes SIGINT and SIGTERM as a terminal would send them, whatever this process ignores.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &files, &attributes, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    return pid;
}

int waitFor(pid_t pid) {
    int raw = 0;
    if (pid < 0 || ::waitpid(pid, &raw, 0) != pid) return -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1;
}

}   // namespace

Outcome runProgram(const std::string& program, const std::vector<std::string>& words, const Setting& setting) {
    TempDir dir;
    const auto out = dir / "stdout", err = dir / "stderr";
    Outcome o;
    o.status = waitFor(spawn(program, words, setting, out.string(), err.string()));
    o.out = readText(out);
    o.err = readText(err);
    return o;
}

Outcome runTesk(const std::vector<std::string>& words, const Setting& setting) {
    return runProgram(TESK_CLI_PATH, words, setting);
}

RunningTesk::RunningTesk(const std::vector<std::string>& words, const std::filesystem::path& dir)
    : out_(dir / "stdout"), err_(dir / "stderr") {
    pid_ = spawn(TESK_CLI_PATH, words, {}, out_.string(), err_.string());
}

Outcome RunningTesk::finish() {
    Outcome o;
    o.status = waitFor(pid_);
    o.out = readText(out_);
    o.err = readText(err_);
    return o;
}

Bytes databaseWithBrokenBitmaps() {
    const auto good = BitmapBuilder{}.size(8, 2).depth(1).build();
    const auto cutShort = BitmapBuilder{}.size(40, 4).depth(8).compressedStream(Compression::ScanLine, {0x80}).build();
    const auto tooDeep = BitmapBuilder{}.size(4, 4).depth(24).version(2).build();
    return PrcBuilder{}
        .resource("Tbmp", 1000, good)
        .resource("Tbmp", 1001, cutShort)
        .resource("Tbmp", 1002, tooDeep)
        .resource("tSTR", 1000, {'h', 'i'})
        .build();
}

Outcome validateJson(const std::filesystem::path& schema, const std::filesystem::path& document) {
    // Named by its full path, so no other Python stands in for Debian's.
    const std::string program =
        "import json, sys, jsonschema\n"
        "schema = json.load(open(sys.argv[1]))\n"
        "cls = jsonschema.validators.validator_for(schema)\n"
        "cls.check_schema(schema)\n"
        "errors = [e.message for e in cls(schema).iter_errors(json.load(open(sys.argv[2])))]\n"
        "print('\\n'.join(errors))\n"
        "sys.exit(1 if errors else 0)\n";
    return runProgram("/usr/bin/python3", {"-c", program, schema.string(), document.string()});
}

Outcome validateJsonText(const std::filesystem::path& schema, const std::string& document) {
    TempDir dir;
    writeBytes(dir / "document.json", Bytes(document.begin(), document.end()));
    return validateJson(schema, dir / "document.json");
}

}   // namespace tesk::test
