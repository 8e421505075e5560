// Eigen behind the plain interface of EigenReference.h.
#include "EigenReference.h"

#include <Eigen/Dense>

namespace reference {
namespace {

using Dense = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

Eigen::Map<const Dense> View(const Matrix& a) { return Eigen::Map<const Dense>(a.v.data(), a.rows, a.cols); }

Matrix Back(const Dense& d)
{
    Matrix r(static_cast<int>(d.rows()), static_cast<int>(d.cols()));
    Eigen::Map<Dense>(r.v.data(), r.rows, r.cols) = d;
    return r;
}

Eigen::VectorXd Vector(const std::vector<double>& b)
{
    return Eigen::Map<const Eigen::VectorXd>(b.data(), static_cast<Eigen::Index>(b.size()));
}

std::vector<double> Values(const Eigen::VectorXd& x) { return std::vector<double>(x.data(), x.data() + x.size()); }

}  // namespace

Matrix FromQV(const QV_Matrix& a)
{
    Matrix r(a.Rows(), a.Cols());
    for (int i = 0; i < a.Rows(); ++i)
        for (int j = 0; j < a.Cols(); ++j) r(i, j) = a(a.RowLow() + i, a.ColLow() + j);
    return r;
}

Matrix Column(const std::vector<double>& values)
{
    Matrix r(static_cast<int>(values.size()), 1);
    r.v = values;
    return r;
}

Matrix Diagonal(const std::vector<double>& values)
{
    const int n = static_cast<int>(values.size());
    Matrix r(n, n);
    for (int k = 0; k < n; ++k) r(k, k) = values[static_cast<size_t>(k)];
    return r;
}

Matrix Multiply(const Matrix& a, const Matrix& b) { return Back(View(a) * View(b)); }
Matrix Transpose(const Matrix& a) { return Back(View(a).transpose()); }
double Norm(const Matrix& a) { return View(a).norm(); }
double Distance(const Matrix& a, const Matrix& b) { return (View(a) - View(b)).norm(); }

double OrthonormalityError(const Matrix& a)
{
    return (View(a).transpose() * View(a) - Eigen::MatrixXd::Identity(a.cols, a.cols)).norm();
}

std::vector<double> Solve(const Matrix& a, const std::vector<double>& b)
{
    return Values(Eigen::MatrixXd(View(a)).partialPivLu().solve(Vector(b)));
}

double Determinant(const Matrix& a) { return Eigen::MatrixXd(View(a)).determinant(); }

std::vector<double> LeastSquares(const Matrix& a, const std::vector<double>& b)
{
    return Values(Eigen::MatrixXd(View(a)).colPivHouseholderQr().solve(Vector(b)));
}

std::vector<double> SingularValues(const Matrix& a)
{
    return Values(Eigen::JacobiSVD<Eigen::MatrixXd>(Eigen::MatrixXd(View(a))).singularValues());
}

SymmetricEigen EigenSymmetric(const Matrix& a)
{
    Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver{Eigen::MatrixXd(View(a))};
    return {Values(solver.eigenvalues()), Back(solver.eigenvectors())};
}

Matrix Covariance(const Matrix& observations, std::vector<double>& mean)
{
    const Eigen::MatrixXd data = View(observations);
    const Eigen::RowVectorXd m = data.colwise().mean();
    mean.assign(m.data(), m.data() + m.size());
    const Eigen::MatrixXd centred = data.rowwise() - m;
    return Back(centred.transpose() * centred / static_cast<double>(observations.rows));
}

}  // namespace reference
