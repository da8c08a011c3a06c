// Broker URLs, meter ids and topics as the command line and the settings file give them: an
// address or a reason. An address given back as its URL reads as the same address, and a
// text put into a message is cut short.
#include <cstdio>
#include <cstdlib>

#include "publish/mqttsettings.h"

namespace {

[[noreturn]] void broken(const char* rule) {
    std::fprintf(stderr, "broker URL rule broken: %s\n", rule);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QString why;
    if (const std::optional<publish::BrokerAddress> b = publish::parseBrokerUrl(text, &why)) {
        if (b->host.isEmpty() || b->port < 1 || b->port > 65535)
            broken("an address without host or port");
        QString again;
        const std::optional<publish::BrokerAddress> back =
            publish::parseBrokerUrl(b->url(), &again);
        if (!back || back->tls != b->tls || back->user != b->user || back->host != b->host ||
            back->port != b->port)
            broken("the address given back reads as another");
    } else if (why.isEmpty()) {
        broken("a refused URL without reason");
    }
    if (publish::validMeterId(text) && (text.isEmpty() || text.size() > 64))
        broken("a meter id of the wrong length");
    if (publish::topicProblem(text).isEmpty() &&
        (text.isEmpty() || text.contains(QLatin1Char('#')) || text.contains(QLatin1Char('+'))))
        broken("a topic MQTT refuses");
    // 40 characters of at most <U+XXXXXX> each, and the ellipsis.
    if (publish::printable(text).size() > 41 * 10) broken("a message text not cut short");
    return 0;
}
