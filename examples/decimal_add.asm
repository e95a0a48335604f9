; decimal_add.asm: adds two four-digit decimal numbers held in RAM.
;
; 4004 programs keep numbers as decimal digits, one per 4-bit RAM character.
; Here the first number, 4096, sits in RAM characters 00..03 and the second,
; 7958, in 10..13, units digit first. The sum replaces the first number and
; its fifth digit goes to character 04.
;
; Each digit: ADM adds a digit from RAM, the other digit and the carry in
; binary; DAA then turns a result above 9 back into a decimal digit and sets
; the carry for the next digit.
; Result: RAM 00..04 = 4 5 0 2 1, that is 4096 + 7958 = 12054.

        ; Put the two numbers into RAM: LDM a digit, WRM it to the character
        ; the last SRC chose, then step the address.
        FIM R0R1, 0x00  ; first number at 00
        SRC R0R1
        LDM 6           ; 4096, units first
        WRM
        INC R1
        SRC R0R1
        LDM 9
        WRM
        INC R1
        SRC R0R1
        LDM 0
        WRM
        INC R1
        SRC R0R1
        LDM 4
        WRM
        FIM R0R1, 0x10  ; second number at 10
        SRC R0R1
        LDM 8           ; 7958, units first
        WRM
        INC R1
        SRC R0R1
        LDM 5
        WRM
        INC R1
        SRC R0R1
        LDM 9
        WRM
        INC R1
        SRC R0R1
        LDM 7
        WRM

        ; The addition, digit by digit from the units up.
        FIM R0R1, 0x00  ; R0R1: the digit of the first number (and of the sum)
        FIM R2R3, 0x10  ; R2R3: the digit of the second number
        LDM 16-4        ; ISZ counts up to 0: 12 goes round four times
        XCH R4
        CLC             ; no carry into the units
DIGIT:  SRC R2R3
        RDM             ; A = digit of the second number
        SRC R0R1
        ADM             ; A = A + digit of the first number + carry
        DAA             ; back to a decimal digit, carry to the next digit
        WRM             ; the sum's digit replaces the first number's
        INC R1          ; INC and ISZ leave the carry alone
        INC R3
        ISZ R4, DIGIT   ; four digits
        TCC             ; A = the last carry, the sum's fifth digit
        SRC R0R1        ; R1 is 4 by now
        WRM
