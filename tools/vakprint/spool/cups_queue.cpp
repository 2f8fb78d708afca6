#include "tools/vakprint/spool/cups_queue.h"

#include <cups/cups.h>

namespace zem::vakprint {

QueueAnswer CupsQueues::Submit(const std::string& queue, const std::string& pdf_path,
                               const std::string& title) {
  QueueAnswer answer;
  const std::string server = cupsServer();
  http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                              10000, nullptr);
  if (!http) {
    answer.message = "the print server " + server + " does not answer";
    return answer;
  }
  cups_dest_t* dest = cupsGetNamedDest(http, queue.empty() ? nullptr : queue.c_str(), nullptr);
  if (!dest) {
    answer.message = queue.empty()
                         ? "the print server " + server + " has no default printer queue"
                         : "the print server " + server + " has no printer queue \"" + queue + "\"";
    httpClose(http);
    return answer;
  }
  const std::string name = dest->name;
  answer.job = cupsPrintFile2(http, name.c_str(), pdf_path.c_str(), title.c_str(), 0, nullptr);
  cupsFreeDests(1, dest);
  httpClose(http);
  if (answer.job == 0) {
    answer.message = "printer queue \"" + name + "\" refused the job: " + cupsLastErrorString();
    return answer;
  }
  answer.ok = true;
  answer.message = "printer queue \"" + name + "\", job " + std::to_string(answer.job);
  return answer;
}

}  // namespace zem::vakprint
