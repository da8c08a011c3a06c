#include "statustext.h"

#include <QCoreApplication>

#include "porttexts.h"

// The texts are written in Chinese and translated under the context "StatusText".

namespace app {

using Kind = protocol::LinkEvent::Kind;

std::optional<QString> StatusText(const protocol::LinkEvent& e) {
    switch (e.kind) {
        case Kind::PortOpened:
            return QCoreApplication::translate("StatusText", "%1已打开")
                .arg(PortName(e.portNumber));
        case Kind::OpenFailed:
            return (e.openResult == serial::OpenResult::InvalidPort
                        ? QCoreApplication::translate("StatusText", "%1电脑端口无效.")
                        : QCoreApplication::translate(
                              "StatusText", "%1打开失败,请检查串口是否被占用或者尝试其它串口."))
                .arg(PortName(e.portNumber));
        case Kind::SettingsRefused:
            return QCoreApplication::translate("StatusText", "串口不支持设置%1,保持原设置%2")
                .arg(serial::LineSettingsText(e.refused), serial::LineSettingsText(e.kept));
        case Kind::HandshakeAnswered:
            return QCoreApplication::translate("StatusText", "握手成功");
        case Kind::HandshakeRefused:
            return QCoreApplication::translate("StatusText", "握手失败,下位机返回出错");
        case Kind::GroupCount:
            return QCoreApplication::translate("StatusText", "存储的组数为:%1").arg(e.count);
        case Kind::GroupsReceived:
            return QCoreApplication::translate("StatusText", "返回历史数据正常");
        case Kind::LiveAnswered:
            return QCoreApplication::translate("StatusText", "接收电流数据正常");
        case Kind::UnknownReply:
            return QCoreApplication::translate("StatusText", "未知值");
        case Kind::DownloadFailed:
            return e.failure == protocol::DownloadFailure::CountGarbled
                       ? QCoreApplication::translate("StatusText", "接收组数失败")
                       : QCoreApplication::translate("StatusText", "接收历史数据失败");
        case Kind::MeterSilent:
            return QCoreApplication::translate("StatusText", "设备无响应");
        case Kind::MeterAnswersAgain:
        case Kind::NoMeterOnPort:
            break;
    }
    return std::nullopt;
}

std::optional<QString> PortLabelText(const protocol::LinkEvent& e) {
    if (e.kind == Kind::PortOpened)
        return QCoreApplication::translate("StatusText", "串口通信正常");
    if (e.kind == Kind::OpenFailed)
        return e.openResult == serial::OpenResult::InvalidPort
                   ? QCoreApplication::translate("StatusText", "串口无效")
                   : QCoreApplication::translate("StatusText", "串口打开失败");
    return std::nullopt;
}

std::optional<QString> MeterLabelText(const protocol::LinkEvent& e) {
    if (e.kind == Kind::HandshakeAnswered)
        return QCoreApplication::translate("StatusText", "设备连接成功");
    return std::nullopt;
}

std::optional<QString> AdviceLine(const protocol::LinkEvent& e) {
    if (e.kind != Kind::NoMeterOnPort) return std::nullopt;
    // The device is put in last: nothing in its name is taken for a place of another value.
    return QStringLiteral(
               "leakmeter: no meter has answered on %3 for %1 s: check that the meter is "
               "switched on and its cable is in; 'leakmeter --list-ports' lists the serial "
               "devices, 'leakmeter --port %2=auto' finds the meter")
        .arg(e.waitedMs / 1000.0)
        .arg(PortName(e.portNumber))
        .arg(PortAndDevice(e.portNumber, e.device));
}

QString NoReplyAtStartText() {
    return QCoreApplication::translate("StatusText",
                                       "握手失败,请检查设备是否开启或者线缆连接,通信设置是否正确.");
}

QString PausedText() {
    return QCoreApplication::translate("StatusText", "已暂停");
}

QString StoppedText() {
    return QCoreApplication::translate("StatusText", "已停止");
}

QString DataLogFailedText(const QString& path) {
    return QCoreApplication::translate("StatusText", "数据记录失败%1").arg(path);
}

QString SaveFailedText(const QString& path) {
    return QCoreApplication::translate("StatusText", "保存失败%1").arg(path);
}

QString BrokerStateText(publish::BrokerState state, const QString& broker, const QString& reason) {
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
