#include "CancelSignal.h"

namespace {

volatile std::sig_atomic_t g_requested = 0;

void OnSignal(int) { g_requested = 1; }

}  // namespace

CancelSignal::CancelSignal()
{
    g_requested = 0;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &m_previousInterrupt);
    sigaction(SIGTERM, &action, &m_previousTerminate);
}

CancelSignal::~CancelSignal()
{
    sigaction(SIGINT, &m_previousInterrupt, nullptr);
    sigaction(SIGTERM, &m_previousTerminate, nullptr);
}

bool CancelSignal::Requested() const { return g_requested != 0; }
