// quillonet: makes, inspects and unpacks Quillonet Setup installers.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "builder/cli/commands.h"

namespace {

void PrintHelp(FILE* out) {
  std::fputs(
      "usage: quillonet COMMAND ...\n"
      "\n"
      "  build PROJECT [-o OUT] [--stub STUB] [--arch x86|x64]\n"
      "        make the installer a project file describes (see README.md)\n"
      "        -o OUT             where to write it (default: the project's `output`, else\n"
      "                           <name>-setup.exe beside the project)\n"
      "        --stub STUB        the installer program (default: the project's `stub`, else\n"
      "                           the one for the arch beside this program:\n"
      "                           quillonet-setup.exe or quillonet-setup-x64.exe)\n"
      "        --arch x86|x64     the kind of installer program, 32-bit (PE32) or 64-bit\n"
      "                           (PE32+); the program used must be of it (default: the\n"
      "                           project's `arch`, else any program given, else x86)\n"
      "  pack STUB SOURCE_DIR -o OUT [options]\n"
      "        make an installer of every file under SOURCE_DIR\n"
      "        --no-compress      store the blocks without zlib\n"
      "        --block-size N     unpacked bytes per block (default 1048576)\n"
      "        --key HEX          encipher with this 8-byte Blowfish key (16 hex digits)\n"
      "        --checksum-image   let the installer verify its own image\n"
      "  inspect [--project] INSTALLER\n"
      "        print the payload and verify every checksum\n"
      "        --project          print the settings and entries as a project file instead\n"
      "  extract INSTALLER DIR\n"
      "        write the payload files into DIR\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
    PrintHelp(args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "build") return qs::builder::cli::Build(args, argv[0]);
  if (command == "pack") return qs::builder::cli::Pack(args);
  if (command == "inspect") return qs::builder::cli::Inspect(args);
  if (command == "extract") return qs::builder::cli::Extract(args);
  std::fprintf(stderr, "quillonet: unknown command '%s'\n\n", command.c_str());
  PrintHelp(stderr);
  return 2;
}
