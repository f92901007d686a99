#include "cli/ExtensionsCommand.h"

#include <ostream>
#include <string>

#include "app/Texts.h"
#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliFlow.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "flows/ServiceFlows.h"
#include "pbx/Tpbx.h"
#include "services/Services.h"

namespace korvi::cli {

int ExtensionsCommand::RunFlow(const ParsedArgs&, CliIo& io, PbxSession&, CliFlow& flow) {
    if (!flows::LoadExtensions(flow.ctx()).ok()) return kExitFailure;
    const Tpbx& pbx = io.services().pbx;
    if (pbx.extnInfoList.size() > 1) io.out() << "central\t" << Text(kTextCentralStore) << '\n';
    for (const TExtnInfo& e : pbx.extnInfoList) {
        io.out() << e.devID << '\t' << e.extnName << '\t' << e.extnNumber << '\n';
    }
    io.out() << pbx.extnInfoList.size()
             << (pbx.extnInfoList.size() == 1 ? " extension" : " extensions") << " for "
             << pbx.userName << '\n';
    return kExitOk;
}

}  // namespace korvi::cli
