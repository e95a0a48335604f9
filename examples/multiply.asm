; multiply.asm: multiplies two 4-bit numbers into an 8-bit product.
;
; The 4004 has no multiply instruction. This program adds the multiplicand
; to the product as many times as the multiplier says, keeping the product
; in two registers: R2 the high digit, R3 the low one. Change the FIM line
; to multiply other numbers.
; Result: 13 x 11 = 143 = 8F hex, so R2 = 8, R3 = F.

        FIM R0R1, 0xDB  ; R0 = D (13), the multiplicand; R1 = B (11), the multiplier
        LD R1
        JCN AZ, DONE    ; times 0: the product stays 0
        CMA             ; A = 16 - multiplier (complement, plus one): ISZ
        IAC             ; counts it up to 0 in "multiplier" rounds
        XCH R4
ROUND:  CLC
        LD R3           ; low digit of the product ...
        ADD R0          ; ... plus the multiplicand; a carry out of the digit
        XCH R3          ; sets C
        LDM 0
        ADD R2          ; the carry goes into the high digit
        XCH R2
        ISZ R4, ROUND   ; once per unit of the multiplier
DONE:   NOP
