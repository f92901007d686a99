#include "cli/ActionRunner.h"

#include "flows/CarryOutAction.h"

namespace korvi::cli {

ActionRunner::ActionRunner(CliIo& io) : m_flow(io) {}

int ActionRunner::Run(int action, int silent) {
    return flows::CarryOutAction(m_flow.ctx(), action, silent);
}

int ActionRunner::ReportFailure() {
    return m_flow.frontEnd().Report(flows::LastResult(m_flow.ctx()));
}

}  // namespace korvi::cli
