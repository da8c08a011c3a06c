#include "statustext.h"

#include <QCoreApplication>

#include "porttexts.h"

// The texts are written in Chinese and translated under the context "StatusText".

namespace app {

namespace {

using namespace protocol;

// The status line's text for each kind of event.
struct StatusTextOf {
    std::optional<QString> operator()(const PortOpened& e) const {
        return QCoreApplication::translate("StatusText", "%1已打开").arg(PortName(e.portNumber));
    }
    std::optional<QString> operator()(const OpenFailed& e) const {
        return (e.openResult == serial::OpenResult::InvalidPort
                    ? QCoreApplication::translate("StatusText", "%1电脑端口无效.")
                    : QCoreApplication::translate(
                          "StatusText", "%1打开失败,请检查串口是否被占用或者尝试其它串口."))
            .arg(PortName(e.portNumber));
    }
    std::optional<QString> operator()(const SettingsRefused& e) const {
        return QCoreApplication::translate("StatusText", "串口不支持设置%1,保持原设置%2")
            .arg(serial::lineSettingsText(e.refused), serial::lineSettingsText(e.kept));
    }
    std::optional<QString> operator()(const HandshakeAnswered&) const {
        return QCoreApplication::translate("StatusText", "握手成功");
    }
    std::optional<QString> operator()(const HandshakeRefused&) const {
        return QCoreApplication::translate("StatusText", "握手失败,下位机返回出错");
    }
    std::optional<QString> operator()(const GroupCount& e) const {
        return QCoreApplication::translate("StatusText", "存储的组数为:%1").arg(e.count);
    }
    std::optional<QString> operator()(const GroupsReceived&) const {
        return QCoreApplication::translate("StatusText", "返回历史数据正常");
    }
    std::optional<QString> operator()(const LiveAnswered&) const {
        return QCoreApplication::translate("StatusText", "接收电流数据正常");
    }
    std::optional<QString> operator()(const UnknownReply&) const {
        return QCoreApplication::translate("StatusText", "未知值");
    }
    std::optional<QString> operator()(const DownloadFailed& e) const {
        return e.failure == DownloadFailure::CountGarbled
                   ? QCoreApplication::translate("StatusText", "接收组数失败")
                   : QCoreApplication::translate("StatusText", "接收历史数据失败");
    }
    std::optional<QString> operator()(const MeterSilent&) const {
        return QCoreApplication::translate("StatusText", "设备无响应");
    }
    std::optional<QString> operator()(const MeterAnswersAgain&) const { return std::nullopt; }
    std::optional<QString> operator()(const NoMeterOnPort&) const { return std::nullopt; }
};

}  // namespace

std::optional<QString> statusText(const protocol::LinkEvent& e) {
    return std::visit(StatusTextOf{}, e);
}

std::optional<QString> portLabelText(const protocol::LinkEvent& e) {
    if (std::holds_alternative<protocol::PortOpened>(e))
        return QCoreApplication::translate("StatusText", "串口通信正常");
    if (const auto* failed = std::get_if<protocol::OpenFailed>(&e))
        return failed->openResult == serial::OpenResult::InvalidPort
                   ? QCoreApplication::translate("StatusText", "串口无效")
                   : QCoreApplication::translate("StatusText", "串口打开失败");
    return std::nullopt;
}

std::optional<QString> meterLabelText(const protocol::LinkEvent& e) {
    if (std::holds_alternative<protocol::HandshakeAnswered>(e))
        return QCoreApplication::translate("StatusText", "设备连接成功");
    return std::nullopt;
}

std::optional<QString> adviceLine(const protocol::LinkEvent& e) {
    const auto* none = std::get_if<protocol::NoMeterOnPort>(&e);
    if (!none) return std::nullopt;
    // The device is put in last: nothing in its name is taken for a place of another value.
    return QStringLiteral(
               "leakmeter: no meter has answered on %3 for %1 s: check that the meter is "
               "switched on and its cable is in; 'leakmeter --list-ports' lists the serial "
               "devices, 'leakmeter --port %2=auto' finds the meter")
        .arg(none->waitedMs / 1000.0)
        .arg(PortName(none->portNumber))
        .arg(portAndDevice(none->portNumber, none->device));
}

QString noReplyAtStartText() {
    return QCoreApplication::translate("StatusText",
                                       "握手失败,请检查设备是否开启或者线缆连接,通信设置是否正确.");
}

QString pausedText() {
    return QCoreApplication::translate("StatusText", "已暂停");
}

QString stoppedText() {
    return QCoreApplication::translate("StatusText", "已停止");
}

QString dataLogFailedText(const QString& path) {
    return QCoreApplication::translate("StatusText", "数据记录失败%1").arg(path);
}

QString saveFailedText(const QString& path) {
    return QCoreApplication::translate("StatusText", "保存失败%1").arg(path);
}

QString brokerStateText(publish::BrokerState state, const QString& broker, const QString& reason) {
    switch (state) {
        case publish::BrokerState::Connecting:
            return QCoreApplication::translate("StatusText", "MQTT服务器 %1: 正在连接").arg(broker);
        case publish::BrokerState::Connected:
            // With a reason: a message the library refused.
            if (!reason.isEmpty())
                return QCoreApplication::translate("StatusText", "MQTT服务器 %1: 已连接; %2")
                    .arg(broker, reason);
            return QCoreApplication::translate("StatusText", "MQTT服务器 %1: 已连接").arg(broker);
        case publish::BrokerState::Retrying:
            break;
    }
    return QCoreApplication::translate("StatusText", "MQTT服务器 %1: %2; 正在重试")
        .arg(broker, reason);
}

}  // namespace app
