// The "$nddo" reader on the input file, then the writer on whatever it accepted.
#include "fuzz_session.hpp"
#include "models/nddo/nddo_parameters_read.hpp"
#include "models/nddo/nddo_parameters_write.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace {

void read(std::FILE*) {
  ostrel::read_nddo_parameters("", "nddo_data");
  ostrel::PoolArray<ostrel::NddoParameters> p(1);
  ostrel::record_read(ostrel::rec::nddo_data, p[0].element, ostrel::kNddoSlots);
  ostrel::write_nddo_parameters(p[0], "nddo");
}

}  // namespace

OSTREL_FUZZ_ENTRY(run_on_stdin, read)
