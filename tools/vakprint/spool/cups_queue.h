#pragma once

#include <string>

namespace zem::vakprint {

// What became of a job handed to a printer queue.
struct QueueAnswer {
  bool ok = false;
  int job = 0;          // the server's job number when ok
  std::string message;  // why not, when !ok: names the queue or the server
};

// The printer queues of the print server.
class PrintQueues {
 public:
  virtual ~PrintQueues() = default;
  // Submits a PDF (a host path) to the queue of that name, or to the default queue when the
  // name is empty, as a job with the given title.
  virtual QueueAnswer Submit(const std::string& queue, const std::string& pdf_path,
                             const std::string& title) = 0;
};

// The CUPS server the system names (CUPS_SERVER, client.conf, the local socket), through libcups.
class CupsQueues : public PrintQueues {
 public:
  QueueAnswer Submit(const std::string& queue, const std::string& pdf_path,
                     const std::string& title) override;
};

}  // namespace zem::vakprint
