#pragma once
// Vectors and transformations of the stand-in host.
//
// A CTransformation here is a scaling followed by a translation: that is all a
// bounding-box query needs (the import passes the identity). MapPoint applies
// it to a point.
namespace XSI {
namespace MATH {

class CVector3 {
public:
    CVector3() = default;
    CVector3(double x, double y, double z) : x_(x), y_(y), z_(z) {}
    double GetX() const { return x_; }
    double GetY() const { return y_; }
    double GetZ() const { return z_; }
    void Set(double x, double y, double z) { x_ = x; y_ = y; z_ = z; }

private:
    double x_ = 0.0, y_ = 0.0, z_ = 0.0;
};

class CTransformation {
public:
    CTransformation() = default;  // the identity
    void SetIdentity() { *this = CTransformation(); }
    void SetTranslationFromValues(double x, double y, double z) { translation_.Set(x, y, z); }
    void SetScalingFromValues(double x, double y, double z) { scaling_.Set(x, y, z); }
    const CVector3& GetTranslation() const { return translation_; }
    const CVector3& GetScaling() const { return scaling_; }

    CVector3 MapPoint(const CVector3& p) const {
        return {p.GetX() * scaling_.GetX() + translation_.GetX(),
                p.GetY() * scaling_.GetY() + translation_.GetY(),
                p.GetZ() * scaling_.GetZ() + translation_.GetZ()};
    }

private:
    CVector3 translation_;
    CVector3 scaling_{1.0, 1.0, 1.0};
};

}  // namespace MATH
}  // namespace XSI
