// The assignment of rows to columns with the least total cost, exactly: the totals of
// doubles are summed over the rows in ascending order and compared as the doubles they are.
#pragma once

#include <vector>

namespace pelvano {

// Assigns each of `rows` rows to a distinct one of `cols` columns (rows <= cols) so that the
// total cost, cost[r * cols + c] summed over the rows in ascending order, is least; of
// assignments whose totals are exactly equal, the one that gives the first row the lowest
// column, then the second, and so on. Element r of the result is the column of row r. Solved
// by the Hungarian method; the assignments its solution leaves within rounding of the least
// total are then weighed by their exact totals, so the result depends on the costs alone.
// When very many assignments are equal but for the rounding of their totals (more than can
// be weighed one by one in a few thousand steps), the first of them is taken.
std::vector<int> least_assignment(const std::vector<double>& cost, int rows, int cols);

// The total of an assignment, summed over the rows in ascending order.
double assignment_total(const std::vector<double>& cost, int cols, const std::vector<int>& column);

}  // namespace pelvano
