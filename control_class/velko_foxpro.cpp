#include "control_class/velko_foxpro.h"

#include "commands/send_cmd.h"
#include "control/runtime_error.h"
#include "decode/report_decoder.h"
#include "decode/response_decoder.h"
#include "link/ack_wait.h"
#include "link/field_extraction.h"
#include "link/port_management.h"
#include "link/receive_framing.h"

namespace velko {

velko_foxpro::velko_foxpro(Platform& platform)
    : loop_(platform.messageLoop()),
      mscVelkoPort_(platform.createSerialPort()),
      timerVelkoSync_(platform.createTimer()) {
    // First of all sinks: a host's handler reads what its event carries.
    events_.advise(received_);
    mscVelkoPort_->setOnComm([this] { mscVelkoPort_OnComm(); });
    mscVelkoPort_->setOnDiagnostic([this](const Text& text) { events_.DebugMsg(text); });
    timerVelkoSync_->setOnTick([this] { timerVelkoSync_Timer(); });
}

velko_foxpro::~velko_foxpro() = default;

int16_t velko_foxpro::OpenVelko(Text& pPortName, Text& errorStr) {
    return openVelko(velko_var(), *mscVelkoPort_, pPortName, errorStr);
}

int16_t velko_foxpro::CloseVelko(Text&, Text&) { return closeVelko(*mscVelkoPort_); }

bool velko_foxpro::ComPortStateGet() { return comPortStateGet(*mscVelkoPort_); }

bool velko_foxpro::SendCmd(uint8_t& cmd, Text& para1, Text& para2, Text& para3) {
    return sendCmd(velko_var(), *mscVelkoPort_, *timerVelkoSync_, loop_, events_, cmd, para1, para2,
                   para3);
}

void velko_foxpro::TxData(Text& data) { txData(*mscVelkoPort_, data); }

Text velko_foxpro::GetCurrentErrorMsg() { return getCurrentErrorMsg(velko_var()); }

void velko_foxpro::EventTest(Text&) {}

void velko_foxpro::ProcessReport() { processReport(velko_var(), *this, events_); }

Text velko_foxpro::GetInformationWithIndicator(Text title) {
    return getInformationWithIndicator(velko_var(), title);
}

Text velko_foxpro::GetInformationWithoutIndicator() {
    return getInformationWithoutIndicator(velko_var());
}

void velko_foxpro::EndMessageDiscard() { endMessageDiscard(velko_var()); }

void velko_foxpro::ProcessResponse() { processResponse(velko_var(), *this, events_); }

int16_t velko_foxpro::CallState() { return received_.call().callState; }

int16_t velko_foxpro::CallMonth() { return received_.call().call.lMonth; }

int16_t velko_foxpro::CallDay() { return received_.call().call.lDay; }

int16_t velko_foxpro::CallHour() { return received_.call().call.lHour; }

int16_t velko_foxpro::CallMin() { return received_.call().call.lMin; }

Text velko_foxpro::CallNumber() { return received_.call().call.lNumber; }

Text velko_foxpro::CallName() { return received_.call().call.lName; }

int16_t velko_foxpro::CallGroup() { return received_.call().call.lGroup; }

Text velko_foxpro::CallTelType() { return received_.call().call.lTelType; }

int16_t velko_foxpro::ListKind() { return received_.listKind(); }

int16_t velko_foxpro::ListCount() { return received_.listCount(); }

int16_t velko_foxpro::ListMonth(int16_t index) { return received_.listEntry(index).lMonth; }

int16_t velko_foxpro::ListDay(int16_t index) { return received_.listEntry(index).lDay; }

int16_t velko_foxpro::ListHour(int16_t index) { return received_.listEntry(index).lHour; }

int16_t velko_foxpro::ListMin(int16_t index) { return received_.listEntry(index).lMin; }

Text velko_foxpro::ListNumber(int16_t index) { return received_.listEntry(index).lNumber; }

Text velko_foxpro::ListName(int16_t index) { return received_.listEntry(index).lName; }

int16_t velko_foxpro::ListGroup(int16_t index) { return received_.listEntry(index).lGroup; }

Text velko_foxpro::ListTelType(int16_t index) { return received_.listEntry(index).lTelType; }

void velko_foxpro::mscVelkoPort_OnComm() {
    receiveNotification(velko_var(), *mscVelkoPort_, *this, events_);
}

void velko_foxpro::timerVelkoSync_Timer() { timerTick(velko_var()); }

}  // namespace velko
