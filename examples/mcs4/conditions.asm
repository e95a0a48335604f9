; quodlet-asm --machine mcs4
; conditions.asm: all sixteen JCN conditions of the Intel MCS-4 system.
;
; On the chip a condition is four bits: 1 jumps when the TEST pin is 0, 2
; when the carry is 1, 4 when the accumulator is 0, any of them (OR); 8
; turns the whole answer round. This program asks each of the sixteen with
; the accumulator at 5 (not zero) and the carry at 1, and writes what it
; found into RAM bank 0, register 0.0: character c is 1 when JCN c jumped.
; Only the conditions that look at TEST answer differently for the two
; levels of the pin, so run it both ways:
;   quodlet-run --machine mcs4 --test 0 --until DONE conditions.asm
;   quodlet-run --machine mcs4 --test 1 --until DONE conditions.asm
; Result with TEST at 0: RAM 0.0.0 = 0111011110001000
; Result with TEST at 1: RAM 0.0.0 = 0011001111001100

        STC             ; the carry stays 1 throughout
        FIM R0R1, 0     ; SRC address 00: character 0 of register 0.0
        SRC R0R1
        LDM 5           ; condition 0: never jumps
        JCN 0, J0
        LDM 0           ; not taken
        JUN S0
J0:     LDM 1           ; taken
S0:     WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 1
        JCN TZ, J1
        LDM 0           ; not taken
        JUN S1
J1:     LDM 1           ; taken
S1:     WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 2
        JCN C1, J2
        LDM 0           ; not taken
        JUN S2
J2:     LDM 1           ; taken
S2:     WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 3
        JCN C1|TZ, J3
        LDM 0           ; not taken
        JUN S3
J3:     LDM 1           ; taken
S3:     WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 4
        JCN AZ, J4
        LDM 0           ; not taken
        JUN S4
J4:     LDM 1           ; taken
S4:     WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 5
        JCN AZ|TZ, J5
        LDM 0           ; not taken
        JUN S5
J5:     LDM 1           ; taken
S5:     WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 6
        JCN AZ|C1, J6
        LDM 0           ; not taken
        JUN S6
J6:     LDM 1           ; taken
S6:     WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 7
        JCN AZ|C1|TZ, J7
        LDM 0           ; not taken
        JUN S7
J7:     LDM 1           ; taken
S7:     WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 8
        JCN 8, J8
        LDM 0           ; not taken
        JUN S8
J8:     LDM 1           ; taken
S8:     WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 9
        JCN TN, J9
        LDM 0           ; not taken
        JUN S9
J9:     LDM 1           ; taken
S9:     WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 10
        JCN C0, J10
        LDM 0           ; not taken
        JUN S10
J10:    LDM 1           ; taken
S10:    WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 11
        JCN C0&TN, J11
        LDM 0           ; not taken
        JUN S11
J11:    LDM 1           ; taken
S11:    WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 12
        JCN AN, J12
        LDM 0           ; not taken
        JUN S12
J12:    LDM 1           ; taken
S12:    WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 13
        JCN AN&TN, J13
        LDM 0           ; not taken
        JUN S13
J13:    LDM 1           ; taken
S13:    WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 14
        JCN AN&C0, J14
        LDM 0           ; not taken
        JUN S14
J14:    LDM 1           ; taken
S14:    WRM
        INC R1          ; the next character
        SRC R0R1
        LDM 5           ; condition 15
        JCN AN&C0&TN, J15
        LDM 0           ; not taken
        JUN S15
J15:    LDM 1           ; taken
S15:    WRM
        INC R1          ; the next character
        SRC R0R1
DONE:   JUN DONE        ; the program's end: it waits here
