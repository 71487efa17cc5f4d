// Until the windows exist: plays the files named on the command line one after the
// other through the media graph, then quits.
#include "engine/TFilterGraph.h"

#include <QApplication>
#include <QTextStream>
#include <gst/gst.h>

int main(int argc, char* argv[])
{
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    QStringList files = app.arguments().mid(1);
    TFilterGraph graph;
    QTextStream out(stdout);

    std::function<void()> playNext = [&]() {
        if (files.isEmpty()) {
            app.quit();
            return;
        }
        const QString file = files.takeFirst();
        graph.setActive(false);
        graph.setActive(true);
        try {
            graph.RenderFile(file);
            graph.Play();
            out << "Playing " << file << Qt::endl;
        } catch (const EDirectShowException& e) {
            out << file << ": " << e.Message() << Qt::endl;
            QMetaObject::invokeMethod(&app, playNext, Qt::QueuedConnection);
        }
    };
    graph.OnGraphComplete = [&](TFilterGraph*, HRESULT, void*) { playNext(); };
    QMetaObject::invokeMethod(&app, playNext, Qt::QueuedConnection);
    return app.exec();
}
