#include "statustext.h"

namespace app {

using Kind = protocol::LinkEvent::Kind;

namespace {

QString PortName(const protocol::LinkEvent& e) {
    return QStringLiteral("COM%1").arg(e.portNumber);
}

}  // namespace

std::optional<QString> StatusText(const protocol::LinkEvent& e) {
    switch (e.kind) {
        case Kind::PortOpened:
            return PortName(e) + QStringLiteral("已打开");
        case Kind::OpenFailed:
            return PortName(e) +
                   (e.openResult == serial::OpenResult::InvalidPort
                        ? QStringLiteral("电脑端口无效.")
                        : QStringLiteral("打开失败,请检查串口是否被占用或者尝试其它串口."));
        case Kind::SettingsRefused:
            return QStringLiteral("串口不支持设置") + serial::LineSettingsText(e.refused) +
                   QStringLiteral(",保持原设置") + serial::LineSettingsText(e.kept);
        case Kind::HandshakeAnswered:
            return QStringLiteral("握手成功");
        case Kind::HandshakeRefused:
            return QStringLiteral("握手失败,下位机返回出错");
        case Kind::GroupCount:
            return QStringLiteral("存储的组数为:") + QString::number(e.count);
        case Kind::GroupsReceived:
            return QStringLiteral("返回历史数据正常");
        case Kind::LiveAnswered:
            return QStringLiteral("接收电流数据正常");
        case Kind::UnknownReply:
            return QStringLiteral("未知值");
        case Kind::DownloadFailed:
            return e.failure == protocol::DownloadFailure::CountGarbled
                       ? QStringLiteral("接收组数失败")
                       : QStringLiteral("接收历史数据失败");
        case Kind::MeterSilent:
            return QStringLiteral("设备无响应");
        case Kind::MeterAnswersAgain:
        case Kind::NoMeterOnPort:
            break;
    }
    return std::nullopt;
}

std::optional<QString> PortLabelText(const protocol::LinkEvent& e) {
    if (e.kind == Kind::PortOpened) return QStringLiteral("串口通信正常");
    if (e.kind == Kind::OpenFailed)
        return e.openResult == serial::OpenResult::InvalidPort ? QStringLiteral("串口无效")
                                                               : QStringLiteral("串口打开失败");
    return std::nullopt;
}

std::optional<QString> MeterLabelText(const protocol::LinkEvent& e) {
    if (e.kind == Kind::HandshakeAnswered) return QStringLiteral("设备连接成功");
    return std::nullopt;
}

std::optional<QString> AdviceLine(const protocol::LinkEvent& e) {
    if (e.kind != Kind::NoMeterOnPort) return std::nullopt;
    return QStringLiteral(
               "leakmeter: no meter has answered on COM%1 (%2) for %3 s: check that the meter "
               "is switched on and its cable is in; 'leakmeter --list-ports' lists the serial "
               "devices, 'leakmeter --port COM%1=auto' finds the meter")
        .arg(e.portNumber)
        .arg(e.device)
        .arg(e.waitedMs / 1000.0);
}

QString NoReplyAtStartText() {
    return QStringLiteral("握手失败,请检查设备是否开启或者线缆连接,通信设置是否正确.");
}

QString PausedText() {
    return QStringLiteral("已暂停");
}

QString StoppedText() {
    return QStringLiteral("已停止");
}

QString DataLogFailedText(const QString& path) {
    return QStringLiteral("数据记录失败") + path;
}

QString SaveFailedText(const QString& path) {
    return QStringLiteral("保存失败") + path;
}

}  // namespace app
