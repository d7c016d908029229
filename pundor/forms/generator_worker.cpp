#include "forms/generator_worker.h"

#include <QMetaObject>
#include <QObject>
#include <exception>

GeneratorWorker::GeneratorWorker() : receiver_(new QObject) {
  receiver_->moveToThread(&thread_);
  QObject::connect(&thread_, &QThread::finished, receiver_, &QObject::deleteLater);
  thread_.start();
}

GeneratorWorker::~GeneratorWorker() {
  QMetaObject::invokeMethod(
      receiver_, [this] { SwitchOffAndDisconnect(); }, Qt::BlockingQueuedConnection);
  thread_.quit();
  thread_.wait();
}

void GeneratorWorker::Post(std::function<GeneratorOutcome()> work, QObject* context, Done done) {
  QMetaObject::invokeMethod(
      receiver_,
      [work = std::move(work), context, done = std::move(done)] {
        GeneratorOutcome outcome;
        try {
          outcome = work();
        } catch (const std::exception& error) {
          outcome = {false, error.what()};
        }
        // Dropped with the context if that window is gone meanwhile.
        QMetaObject::invokeMethod(
            context, [done, outcome] { done(outcome); }, Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
}

void GeneratorWorker::Connect(const std::string& address, std::chrono::milliseconds timeout, QObject* context,
                              Done done) {
  Post(
      [this, address, timeout] {
        SwitchOffAndDisconnect();
        address_ = address;
        timeout_ = timeout;
        generator_ = instruments::ConnectGenerator(address, timeout);
        return GeneratorOutcome{true, generator_->Identify()};
      },
      context, std::move(done));
}

void GeneratorWorker::Run(Job job, QObject* context, Done done) {
  Post(
      [this, job = std::move(job)] {
        if (!generator_) return GeneratorOutcome{false, "no generator is connected"};
        // From the first job on the output may be on.
        if (!guard_) guard_.emplace(*generator_);
        return GeneratorOutcome{true, job(*generator_)};
      },
      context, std::move(done));
}

void GeneratorWorker::Finish(QObject* context, Done done) {
  Post([this] { return SwitchOffAndDisconnect(); }, context, std::move(done));
}

GeneratorOutcome GeneratorWorker::SwitchOffAndDisconnect() {
  GeneratorOutcome outcome{true, {}};
  if (!guard_) {  // nothing was sent that could switch it on
    generator_.reset();
    return outcome;
  }
  try {
    generator_->SetOutput(false);
  } catch (const std::exception&) {
    // The connection may be what failed: the output still has to go off.
    try {
      instruments::ConnectGenerator(address_, timeout_)->SetOutput(false);
    } catch (const std::exception& error) {
      outcome = {false, error.what()};
    }
  }
  guard_.reset();  // one more try, errors swallowed, before the connection goes
  generator_.reset();
  return outcome;
}
