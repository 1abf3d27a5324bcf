#include "cli.h"

#include <string>

#include "cli_arguments.h"
#include "cli_commands.h"

const char* CliUsage() {
    return cli::kUsage;
}

int RunCli(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    cli::Arguments args;
    std::string reason;
    if (!cli::ParseArguments(argc, argv, &args, &reason)) {
        return cli::UsageError(err, reason);
    }
    if (args.help) {
        std::fputs(cli::kUsage, out);
        return cli::FinishOutput(out, err);
    }
    if (args.version) {
        std::fprintf(out, "%s %s\n", cli::kProgram, HISTAVUE_VERSION);
        return cli::FinishOutput(out, err);
    }
    const std::string command = args.command->name;
    if (command == "cat") {
        return cli::RunCat(args.operands[0], out, err);
    }
    return cli::RunStoreCommand(args, out, err);
}
