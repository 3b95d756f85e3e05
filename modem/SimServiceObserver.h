// Receives the result of a request that the service ran on its worker.
#pragma once

class ISimServiceObserver {
public:
    virtual void OnPinStatus(int result, int detail) = 0;
    virtual void OnVerifyPin(int result, int detail) = 0;
    virtual void OnChangePin(int result, int detail) = 0;
    virtual void OnPinProtection(int result, int detail) = 0;
    virtual void OnSetPinProtection(int result, int detail) = 0;
    virtual void OnUnblockPin(int result, int detail) = 0;
    virtual void OnPinRetries(int result, int detail, int verifyLeft, int unblockLeft) = 0;

protected:
    ~ISimServiceObserver() = default;
};
