#include "qt/lazysoundoutput.h"

#include <QLibrary>
#include <QMetaObject>

#include <iostream>

namespace drillix {

LazySoundOutput::LazySoundOutput(QString modulePath)
    : m_modulePath(std::move(modulePath))
{
}

LazySoundOutput::~LazySoundOutput()
{
    if (m_loader.joinable())
        m_loader.join();
    // The module stays mapped to the end of the process: unloading audio
    // libraries while their threads wind down is asking for trouble.
    m_output.reset();
}

void LazySoundOutput::preload()
{
    std::lock_guard lock(m_mutex);
    if (m_started)
        return;
    m_started = true;
    m_loader = std::thread([this, path = m_modulePath] {
        QLibrary library(path);
        Factory factory = nullptr;
        QString error;
        if (library.load())
            factory = reinterpret_cast<Factory>(library.resolve("drillix_create_sound_output"));
        if (!factory)
            error = library.errorString();
        // Made and used on the GUI thread only; if the window is gone first,
        // the queued call is dropped with m_guiThread.
        QMetaObject::invokeMethod(
            &m_guiThread, [this, factory, error] { loaded(factory, error); }, Qt::QueuedConnection);
    });
}

void LazySoundOutput::loaded(Factory factory, const QString &error)
{
    if (!factory) {
        m_failed = true;
        std::cerr << "drillix: no sound: " << error.toStdString() << '\n';
        return;
    }
    m_output.reset(factory());
    if (m_pending) {
        m_output->play(m_pending->path, m_pending->volume);
        m_pending.reset();
    }
}

void LazySoundOutput::play(const std::string &path, int volumePercent)
{
    if (m_output) {
        m_output->play(path, volumePercent);
        return;
    }
    if (m_failed)
        return;
    m_pending = Request{path, volumePercent};
    preload();
}

} // namespace drillix
