// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/GraphInspection.h"

#include <QMap>
#include <QStringList>
#include <gst/gst.h>

namespace Platform::GraphInspection {

namespace {
struct Registration {
    GstElement* graph; // weak: the owner revokes before it lets the graph go
    QString name;
};
QMap<quint32, Registration>& table()
{
    static QMap<quint32, Registration> registrations;
    return registrations;
}
quint32 nextCookie = 1;
} // namespace

quint32 registerGraph(GstElement* graph, const QString& name)
{
    if (!graph || !GST_IS_BIN(graph)) {
        return 0;
    }
    const quint32 cookie = nextCookie++;
    table().insert(cookie, {graph, name});
    snapshot(cookie, QStringLiteral("registered"));
    return cookie;
}

void revokeGraph(quint32 cookie)
{
    table().remove(cookie);
}

void snapshot(quint32 cookie, const QString& stage)
{
    const auto it = table().constFind(cookie);
    if (it == table().constEnd()) {
        return;
    }
    GST_DEBUG("graph %s: %s", it->name.toUtf8().constData(), stage.toUtf8().constData());
    // Writes only when GST_DEBUG_DUMP_DOT_DIR names a folder.
    gst_debug_bin_to_dot_file(GST_BIN(it->graph), GST_DEBUG_GRAPH_SHOW_ALL,
                              it->name.toUtf8().constData());
}

QStringList registeredNames()
{
    QStringList names;
    for (const Registration& r : table()) {
        names << r.name;
    }
    return names;
}

} // namespace Platform::GraphInspection
