#include "statusline.h"

#include <QLabel>
#include <QTimer>

StatusLine::StatusLine(QLabel* label, QObject* owner, const QString& timerName)
    : QObject(owner)
    , m_label(label)
    , m_timer(new QTimer(owner))
{
    m_timer->setObjectName(timerName);
    m_timer->setInterval(kIntervalMs);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &StatusLine::rest);
}

void StatusLine::setRestingText(std::function<QString()> restingText)
{
    m_restingText = std::move(restingText);
}

void StatusLine::show(const QString& text)
{
    m_label->setText(text);
    m_timer->start();
}

void StatusLine::report(const QString& problem)
{
    if (!problem.isEmpty())
        m_label->setText(problem);
    m_timer->start();
}

void StatusLine::startTimer()
{
    m_timer->start();
}

void StatusLine::rest()
{
    m_timer->stop();
    m_label->setText(m_restingText ? m_restingText() : QString());
}

void StatusLine::clear()
{
    m_timer->stop();
    m_label->clear();
}
